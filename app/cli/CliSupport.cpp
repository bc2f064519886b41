#include "app/cli/CliSupport.h"

#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "core/FileIo.h"
#include "core/StringList.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"
#include "words/RecordWords.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <istream>
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

bool ReadTextFile(const std::string& path, std::size_t largest, const char* what, std::string& text,
                  std::string& problem)
{
    std::FILE* file = OpenRegularFile(path);
    if (!file) {
        problem = SystemReason(errno);
        return false;
    }
    char buffer[1 << 16];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() <= largest)
        text.append(buffer, count);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        problem = "cannot be read";
    else if (text.size() > largest)
        problem = std::string("too long for a ") + what;
    return problem.empty();
}

namespace {

std::string LoadProblem(const std::string& path, int loadResult, const ForeignProductName& foreign)
{
    switch (loadResult) {
    case DataFile::kCannotOpen: {
        std::FILE* file = OpenRegularFile(path);
        if (!file)
            return SystemReason(errno);
        std::fclose(file);
        return "cannot be read";
    }
    case DataFile::kOtherProduct: {
        // A sibling product is named, as the desktop program names it, when
        // its name is plain text that a terminal shows as it stands.
        const std::string product = SiblingProduct(foreign);
        const bool printable = std::all_of(product.begin(), product.end(),
                                           [](char c) { return c >= 0x20 && c < 0x7F; });
        if (!product.empty() && printable)
            return "configured for " + product + ", not a QZM-530RX data file";
        return "not a QZM-530RX data file";
    }
    case DataFile::kWrongType:
        return "not a QZM-530RX data file";
    default:
        return "too short for a QZM-530RX data file";
    }
}

} // namespace

std::string WriteProblem(const std::string& path)
{
    std::error_code error;
    if (FileExists(path))
        return IsWritableFile(path, error) ? std::string() : SystemReason(error.value());
    std::string temp;
    std::FILE* file = CreateTempBeside(path, temp);
    if (!file)
        return errno == ENOENT ? "no such folder" : SystemReason(errno);
    std::fclose(file);
    RemoveFile(temp);
    return {};
}

bool MayReplace(CCliContext& context, const char* command, const std::string& path, bool force,
                bool& replacing)
{
    replacing = FileExists(path);
    if (!replacing || force)
        return true;
    if (!context.interactive) {
        context.err << command << ": " << path
                    << " exists; give --force to replace it (nothing was changed)\n";
        return false;
    }
    context.err << path << " exists. Replace it? [y/N] " << std::flush;
    std::string answer;
    if (std::getline(context.in, answer) && !answer.empty() &&
        (answer[0] == 'y' || answer[0] == 'Y'))
        return true;
    context.err << "Nothing was changed.\n";
    return false;
}

bool LoadIntoStore(CCliContext& context, const std::string& path)
{
    ForeignProductName foreign{};
    const int result = LoadDataFile(context.store, path, foreign);
    if (result != DataFile::kLoaded) {
        context.err << path << ": " << LoadProblem(path, result, foreign) << "\n";
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
        context.err << path << ": cannot be saved: " << SystemReason(error.value()) << "\n";
        return false;
    }
    return true;
}
