#include "app/cli/CliSupport.h"

#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "core/StringList.h"
#include "link/PortStation.h"
#include "link/ProgrammingJob.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ostream>

bool CCliArgs::Has(const std::string& name) const
{
    return std::any_of(
        options.begin(), options.end(), [&](const auto& option) { return option.first == name; });
}

std::string CCliArgs::Value(const std::string& name, const std::string& fallback) const
{
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->first == name)
            return it->second;
    return fallback;
}

bool ParseCliArgs(const CCliCommand& command, const std::vector<std::string>& words, CCliArgs& args,
                  std::string& error)
{
    const auto contains = [](const std::vector<std::string>& list, const std::string& name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    bool onlyPositional = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (onlyPositional || word.size() < 2 || word[0] != '-' || word == "-") {
            args.positional.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = word;
        std::string value;
        bool hasInlineValue = false;
        if (const std::size_t eq = word.find('='); eq != std::string::npos) {
            name = word.substr(0, eq);
            value = word.substr(eq + 1);
            hasInlineValue = true;
        }
        if (name == "--help" || name == "-h") {
            args.options.emplace_back("--help", "");
        } else if (contains(command.valueOptions, name)) {
            if (!hasInlineValue) {
                if (i + 1 >= words.size()) {
                    error = "option '" + name + "' needs a value";
                    return false;
                }
                value = words[++i];
            }
            args.options.emplace_back(name, value);
        } else if (contains(command.flagOptions, name) && !hasInlineValue) {
            args.options.emplace_back(name, "");
        } else {
            error = "unknown option '" + word + "'";
            return false;
        }
    }
    return true;
}

void PrintCommandUsage(const CCliCommand& command, std::ostream& out)
{
    out << "Usage: qzm530rx-cli " << command.synopsis << "\n\n" << command.summary << "\n\n";
    PrintOptionLine(command, out);
    if (command.help && *command.help)
        out << "\n" << command.help;
}

std::string ShellWord(const std::string& word)
{
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._-+:,=@%", c);
    });
    if (plain)
        return word;
    std::string quoted = "'";
    for (const char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool LoadIntoStore(CCliContext& context, const std::string& path)
{
    ForeignProductName foreign{};
    const int result = LoadDataFile(context.store, path, foreign);
    if (result != DataFile::kLoaded) {
        context.err << LoadFailureText(context.texts, result, BaseName(path), foreign) << "\n";
        return false;
    }
    context.store.TransferToImage();
    context.store.ImageToSaved();
    return true;
}

bool SaveFromStore(CCliContext& context, const std::string& path)
{
    std::error_code error;
    if (SaveDataFile(context.store, path, context.clock, error) != DataFile::kSaved) {
        context.err << error.message() << "\n";
        return false;
    }
    return true;
}
