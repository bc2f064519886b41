// The data-file commands: info, dump, new, set, diff.
#include "app/cli/CliSupport.h"
#include "app/cli/ConfigDiff.h"
#include "app/cli/JsonOutput.h"

#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "core/SettingAssignment.h"
#include "core/SettingsLayout.h"
#include "text/TextCatalog.h"

#include <cstdio>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <vector>

namespace {

constexpr std::size_t kDumpBytesPerLine = 16;

std::string Hex(unsigned value, int digits)
{
    return HexText(value, digits);
}

// Applies one ID=VALUE to the store; an empty result means it was taken.
std::string ApplyAssignmentText(CConfigStore& store, const std::string& text)
{
    CSettingAssignment assignment;
    const AssignmentResult result = ParseAssignment(store, text, assignment);
    const std::string& idText = assignment.idText;
    const std::string& valueText = assignment.valueText;
    switch (result) {
    case AssignmentResult::Valid:
        ApplyAssignment(store, assignment);
        return {};
    case AssignmentResult::NotAnAssignment:
        return "expected ID=VALUE, got '" + text + "'";
    case AssignmentResult::UnknownSetting:
        return "unknown setting ID '" + idText + "'";
    case AssignmentResult::NotASwitchValue:
        return std::string(assignment.setting->label) + " (" + idText +
               ") takes on, off, 1 or 0, not '" + valueText + "'";
    case AssignmentResult::NotAnOption:
        break;
    }
    std::string offered;
    for (const COption& option : store.GetOptions(assignment.setting->id))
        offered += "\n  " + std::to_string(option.value) + "  " + option.text;
    return "'" + valueText + "' is not an option of " + assignment.setting->label + " (" + idText +
           ") now; it offers:" + offered;
}

int RunInfo(CCliContext& context, const CCliArgs& args)
{
    const std::string& path = args.positional[0];
    if (!LoadIntoStore(context, path))
        return CliExit::kFailure;
    CDataFileHeader header;
    ReadDataFileHeader(path, header);

    if (args.Has("--json")) {
        QJsonArray settings;
        for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def) {
            settings.append(QJsonObject{
                {"offset", static_cast<int>(def->offset)},
                {"id", def->id},
                {"label", JsonText(def->label)},
                {"value", JsonText(DisplayValue(context.store, *def))},
                {"word", context.store.GetWord(def->id)},
            });
        }
        PrintJson(context.out, QJsonObject{
                                   {"file", JsonText(path)},
                                   {"header", QJsonObject{{"product", JsonText(header.productName)},
                                                          {"version", JsonText(header.version)},
                                                          {"type", header.fileType},
                                                          {"key", header.key}}},
                                   {"settings", settings},
                               });
        return CliExit::kOk;
    }

    std::ostream& out = context.out;
    out << "File:     " << path << "\n"
        << "Product:  " << header.productName << "\n"
        << "Version:  " << header.version << "\n"
        << "Type:     0x" << Hex(header.fileType, 2) << "\n"
        << "Key:      0x" << Hex(header.key, 2) << "\n\n";
    out << "Offset  ID    " << std::left << std::setw(44) << "Setting" << std::setw(24) << "Value"
        << "Word\n";
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def) {
        out << std::left << std::setw(8) << std::to_string(def->offset) << std::setw(6) << def->id
            << std::setw(44) << def->label << std::setw(24) << DisplayValue(context.store, *def)
            << "0x" << Hex(context.store.GetWord(def->id), 4) << "\n";
    }
    return CliExit::kOk;
}

int RunDump(CCliContext& context, const CCliArgs& args)
{
    if (!LoadIntoStore(context, args.positional[0]))
        return CliExit::kFailure;
    const uint8_t* image = context.store.WorkingImage();
    for (std::size_t line = 0; line < CConfigStore::kImageSize; line += kDumpBytesPerLine) {
        context.out << Hex(static_cast<unsigned>(line), 4) << ":";
        for (std::size_t i = 0; i < kDumpBytesPerLine; ++i)
            context.out << " " << Hex(image[line + i], 2);
        context.out << "\n";
    }
    return CliExit::kOk;
}

int RunNew(CCliContext& context, const CCliArgs& args)
{
    context.store.Reset();
    return SaveFromStore(context, args.positional[0]) ? CliExit::kOk : CliExit::kFailure;
}

int RunSet(CCliContext& context, const CCliArgs& args)
{
    const std::string& path = args.positional[0];
    if (!LoadIntoStore(context, path))
        return CliExit::kFailure;
    for (std::size_t i = 1; i < args.positional.size(); ++i) {
        const std::string problem = ApplyAssignmentText(context.store, args.positional[i]);
        if (!problem.empty()) {
            context.err << problem << "\nNothing was written.\n";
            return CliExit::kFailure;
        }
    }
    return SaveFromStore(context, path) ? CliExit::kOk : CliExit::kFailure;
}

int RunDiff(CCliContext& context, const CCliArgs& args)
{
    CConfigStore other(&context.texts);
    if (!LoadIntoStore(context, args.positional[0]))
        return CliExit::kFailure;
    {
        CCliContext otherContext{other,         context.texts,       context.boxes,
                                 context.clock, context.in,          context.out,
                                 context.err,   context.interactive, context.progressOnTerminal};
        if (!LoadIntoStore(otherContext, args.positional[1]))
            return CliExit::kFailure;
    }
    const CConfigStore& a = context.store;
    const CConfigDiff diff = DiffConfigurations(a, other);
    if (args.Has("--json")) {
        QJsonObject json{{"a", JsonText(args.positional[0])}, {"b", JsonText(args.positional[1])}};
        const QJsonObject body = DiffJson(a, other, diff);
        for (auto it = body.begin(); it != body.end(); ++it)
            json.insert(it.key(), it.value());
        PrintJson(context.out, json);
        return CliExit::kOk;
    }

    std::ostream& out = context.out;
    PrintSettingLines(out, a, other, diff);
    for (const std::size_t offset : diff.bytes) {
        out << "byte 0x" << Hex(static_cast<unsigned>(offset), 4) << ": "
            << Hex(a.WorkingImage()[offset], 2) << " -> " << Hex(other.WorkingImage()[offset], 2)
            << "\n";
    }
    if (diff.Same())
        out << "The configurations are the same.\n";
    return CliExit::kOk;
}

const char* const kInfoJsonHelp =
    "--json prints one JSON document instead: \"file\", \"header\" (product,\n"
    "version, type, key) and \"settings\" in offset order, each with offset, id,\n"
    "label, value (as the settings form shows it) and word (the raw number).\n";
const char* const kDiffJsonHelp =
    "--json prints one JSON document instead: \"a\", \"b\", \"same\", \"settings\"\n"
    "(id, label, and value and word on each side) and \"bytes\" (offset, a, b)\n"
    "outside the settings.\n";

} // namespace

std::vector<CCliCommand> FileCommands()
{
    return {
        {"info",
         "info FILE [--json]",
         "Shows the header of a data file and every setting in it.",
         kInfoJsonHelp,
         1,
         1,
         {},
         {"--json"},
         [](CCliContext& c, const CCliArgs& a) { return RunInfo(c, a); }},
        {"dump",
         "dump FILE",
         "Prints the configuration image of a data file in hex.",
         "",
         1,
         1,
         {},
         {},
         [](CCliContext& c, const CCliArgs& a) { return RunDump(c, a); }},
        {"new",
         "new FILE",
         "Saves a new configuration to FILE.",
         "",
         1,
         1,
         {},
         {},
         [](CCliContext& c, const CCliArgs& a) { return RunNew(c, a); }},
        {"set",
         "set FILE ID=VALUE ...",
         "Changes settings of a data file and saves it in place.",
         "Switches take on, off, 1 or 0. Lists take an option's value or its text\n"
         "(letter case aside). Numbers are decimal, leading zeros allowed (010 is 10),\n"
         "or hexadecimal only after 0x (0x0F is 15); they have no sign and nothing\n"
         "after them: +10dB is the option's text, 15x is refused. Blanks around ID and\n"
         "VALUE are ignored. Assignments apply in order; switching 1000 off turns a\n"
         "\"Voice Recognition\" TX LED back to \"Normal\" as the settings form does.\n"
         "If any assignment is refused, nothing is written.\n\n"
         "example: qzm530rx-cli set mic.dat 1006=+10dB 1007=on 1008=Normal\n",
         2,
         -1,
         {},
         {},
         [](CCliContext& c, const CCliArgs& a) { return RunSet(c, a); }},
        {"diff",
         "diff A B [--json]",
         "Lists the settings and bytes in which two data files differ.",
         kDiffJsonHelp,
         2,
         2,
         {},
         {"--json"},
         [](CCliContext& c, const CCliArgs& a) { return RunDiff(c, a); }},
    };
}
