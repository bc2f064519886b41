// The data-file commands: info, dump, new, set, diff.
#include "app/cli/CliSupport.h"
#include "app/cli/ConfigDiff.h"
#include "app/cli/JsonOutput.h"

#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "core/FileIo.h"
#include "core/SettingAssignment.h"
#include "core/SettingsLayout.h"
#include "core/SettingsProfile.h"
#include "text/TextCatalog.h"

#include <algorithm>
#include <cerrno>
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

// "Noise Attenuation Level (1006)".
std::string SettingName(const CSettingDef& def)
{
    return std::string(def.label) + " (" + std::to_string(def.id) + ")";
}

// Why an assignment was refused, in a line of its own.
std::string AssignmentProblem(const CConfigStore& store, AssignmentResult result,
                              const CSettingAssignment& assignment, const std::string& text,
                              const std::string& path)
{
    const std::string& valueText = assignment.valueText;
    switch (result) {
    case AssignmentResult::Valid:
        return {};
    case AssignmentResult::NotAnAssignment:
        return "expected SETTING=VALUE, got '" + text + "'";
    case AssignmentResult::UnknownSetting: {
        std::string problem = "unknown setting '" + assignment.idText + "'; ";
        if (const CSettingDef* nearest = NearestSetting(assignment.idText))
            problem += "did you mean '" + std::string(nearest->label) + "' (" +
                       std::to_string(nearest->id) + ")? ";
        return problem + "'" + kCliName + " info " + ShellWord(path) +
               "' lists the settings, by ID and label";
    }
    case AssignmentResult::NotASwitchValue:
        return SettingName(*assignment.setting) + " takes on, off, 1 or 0, not '" + valueText + "'";
    case AssignmentResult::AmbiguousNumber: {
        std::string problem = "'" + valueText + "' is ambiguous for " +
                              SettingName(*assignment.setting) + ", whose options are levels: ";
        if (!assignment.storedReading.empty())
            problem += "#" + valueText + " is " + assignment.storedReading;
        if (!assignment.textReading.empty())
            problem += std::string(assignment.storedReading.empty() ? "" : "; ") + "did you mean " +
                       assignment.textReading + "?";
        else if (assignment.storedReading.empty())
            problem += "give the option's text, or #VALUE for its stored value";
        return problem;
    }
    case AssignmentResult::NotAnOption:
        break;
    }
    std::string offered;
    for (const COption& option : store.GetOptions(assignment.setting->id))
        offered += "\n  #" + std::to_string(option.value) + "  " + option.text;
    return "'" + valueText + "' is not an option of " + SettingName(*assignment.setting) +
           " now; it offers:" + offered;
}

// Why a line of bytes in a profile was refused.
std::string ByteLineProblem(const CProfileProblem& refused)
{
    switch (refused.bytes) {
    case ByteLineFault::kNone:
        break;
    case ByteLineFault::kNotHex:
        return "expected a line of bytes as '@0x0040 = 12 34', two hex digits a byte";
    case ByteLineFault::kOutside:
        return "the bytes from 0x" + Hex(static_cast<unsigned>(refused.offset), 4) +
               " run past the end of the configuration (0x" +
               Hex(static_cast<unsigned>(CConfigStore::kImageSize), 4) + " bytes)";
    case ByteLineFault::kNamed:
        return "byte 0x" + Hex(static_cast<unsigned>(refused.offset), 4) +
               " belongs to a setting; give the setting by its name";
    }
    return {};
}

// Applies one SETTING=VALUE to the store; an empty result means it was
// taken, and `change` says what it did: "Label (ID): old -> new", or
// "Label (ID): value, as it was" when the setting had that value already.
std::string ApplyAssignmentText(CConfigStore& store, const std::string& text,
                                const std::string& path, std::string& change)
{
    CSettingAssignment assignment;
    const AssignmentResult result = ParseAssignment(store, text, assignment);
    if (result != AssignmentResult::Valid)
        return AssignmentProblem(store, result, assignment, text, path);
    const CSettingDef& def = *assignment.setting;
    const std::string before = ShownValue(store, def);
    const CConfigStore was = store;
    ApplyAssignment(store, assignment);
    if (std::equal(was.WorkingImage(), was.WorkingImage() + CConfigStore::kImageSize,
                   store.WorkingImage()))
        change = SettingName(def) + ": " + before + ", as it was";
    else
        change = SettingName(def) + ": " + before + " -> " + ShownValue(store, def);
    return {};
}

constexpr std::size_t kLargestProfile = 1 << 20;

// set FILE --from PROFILE: the profile applied as a whole; every refused
// line is named with its number. The changed settings go to `changes`.
bool ApplyProfileFile(CCliContext& context, const std::string& path, const std::string& profile,
                      std::vector<std::string>& changes)
{
    std::string text;
    std::string problem;
    if (!ReadTextFile(profile, kLargestProfile, "profile", text, problem)) {
        context.err << profile << ": " << problem << "\nNothing was written.\n";
        return false;
    }
    CConfigStore before = context.store;
    std::vector<CProfileProblem> problems;
    if (!ApplyProfile(context.store, text, problems)) {
        for (const CProfileProblem& refused : problems) {
            context.err << profile << ":" << refused.line << ": ";
            if (refused.bytes != ByteLineFault::kNone)
                context.err << ByteLineProblem(refused) << "\n";
            else if (refused.repeats > 0)
                context.err << SettingName(*refused.assignment.setting)
                            << " is given again (first on line " << refused.repeats << ")\n";
            else
                context.err << AssignmentProblem(context.store, refused.result, refused.assignment,
                                                 refused.assignment.idText, path)
                            << "\n";
        }
        context.err << "Nothing was written.\n";
        return false;
    }
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def)
        if (before.GetWord(def->id) != context.store.GetWord(def->id))
            changes.push_back(SettingName(*def) + ": " + ShownValue(before, *def) + " -> " +
                              ShownValue(context.store, *def));
    const CConfigDiff diff = DiffConfigurations(before, context.store);
    if (!diff.bytes.empty()) {
        std::ostringstream bytes;
        PrintOtherBytesLine(bytes, diff);
        std::string line = bytes.str();
        while (!line.empty() && line.back() == '\n')
            line.pop_back();
        changes.push_back(line);
    }
    return true;
}

int RunInfo(CCliContext& context, const CCliArgs& args)
{
    const std::string& path = args.positional[0];
    if (!LoadIntoStore(context, path))
        return CliExit::kFailure;
    CDataFileHeader header;
    ReadDataFileHeader(path, header);

    if (args.Has("--settings")) {
        if (args.Has("--json")) {
            context.err << "qzm530rx-cli info: give --json or --settings, not both\n";
            return CliExit::kUsage;
        }
        context.out << ProfileText(context.store, path);
        return CliExit::kOk;
    }
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
    const std::string& path = args.positional[0];
    bool replacing = false;
    if (!MayReplace(context, "new", path, args.Has("--force"), replacing))
        return CliExit::kUsage;
    context.store.Reset();
    return SaveFromStore(context, path) ? CliExit::kOk : CliExit::kFailure;
}

int RunSet(CCliContext& context, const CCliArgs& args)
{
    const std::string& path = args.positional[0];
    const bool fromProfile = args.Has("--from");
    if (!fromProfile && args.positional.size() < 2) {
        context.err << "qzm530rx-cli set: missing arguments\n"
                    << "Usage: qzm530rx-cli set FILE SETTING=VALUE ... | set FILE --from PROFILE\n"
                    << "Try 'qzm530rx-cli set --help'.\n";
        return CliExit::kUsage;
    }
    if (!LoadIntoStore(context, path))
        return CliExit::kFailure;
    const CConfigStore loaded = context.store;
    std::vector<std::string> changes;
    if (fromProfile && !ApplyProfileFile(context, path, args.Value("--from"), changes))
        return CliExit::kFailure;
    for (std::size_t i = 1; i < args.positional.size(); ++i) {
        std::string change;
        const std::string problem =
            ApplyAssignmentText(context.store, args.positional[i], path, change);
        if (!problem.empty()) {
            context.err << problem << "\nNothing was written.\n";
            return CliExit::kFailure;
        }
        changes.push_back(change);
    }
    // A file that would come out as it went in is left alone.
    if (DiffConfigurations(loaded, context.store).Same()) {
        for (const std::string& change : changes)
            context.out << change << "\n";
        context.out << "Nothing changed; " << path << " was left as it was.\n";
        return CliExit::kOk;
    }
    if (!SaveFromStore(context, path))
        return CliExit::kFailure;
    for (const std::string& change : changes)
        context.out << change << "\n";
    return CliExit::kOk;
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
        return diff.Same() ? CliExit::kOk : CliExit::kHoldsOther;
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
    return diff.Same() ? CliExit::kOk : CliExit::kHoldsOther;
}

const char* const kInfoHelp =
    "--json prints one JSON document instead: \"file\", \"header\" (product,\n"
    "version, type, key) and \"settings\" in offset order, each with offset, id,\n"
    "label, value (as the settings form shows it) and word (the raw number).\n"
    "--settings prints the whole configuration as a profile, one\n"
    "\"Label = value  # ID\" a line (a word that is none of the options as\n"
    "#WORD, the word of a new file as unset with what it reads as), then the\n"
    "bytes that no setting names where they differ from a new file, as\n"
    "\"@0x0040 = 12 34 ...\": 'new X' and 'set X --from PROFILE' give the file\n"
    "back byte for byte, and the profile can be kept under version control:\n"
    "  qzm530rx-cli info shop.dat --settings > shop-profile.txt\n";
const char* const kDiffJsonHelp =
    "--json prints one JSON document instead: \"a\", \"b\", \"same\", \"settings\"\n"
    "(id, label, and value and word on each side) and \"bytes\" (offset, a, b)\n"
    "outside the settings.\n"
    "Exit code 0: the files hold the same configuration; 4: they differ (as\n"
    "verify's 4, not diff(1)'s 1); 1: a file cannot be loaded.\n";

} // namespace

int PrintSettingWords(std::ostream& out)
{
    CTextCatalog texts;
    if (!texts.SelectLanguage("English"))
        return CliExit::kFailure;
    CConfigStore store(&texts);
    store.Reset();
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def) {
        std::vector<std::string> values;
        if (def->encoding == SettingEncoding::List)
            for (const COption& option : store.GetOptions(def->id))
                values.push_back(option.text);
        else
            values = {"on", "off"};
        for (const std::string& name : {std::to_string(def->id), std::string(def->label)}) {
            out << name << "=\n";
            for (const std::string& value : values)
                out << name << "=" << value << "\n";
        }
    }
    return CliExit::kOk;
}

std::vector<CCliCommand> FileCommands()
{
    return {
        {"info",
         "info FILE [--json | --settings]",
         "Shows the header of a data file and every setting in it.",
         kInfoHelp,
         1,
         1,
         {},
         {"--json", "--settings"},
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
         "An existing FILE is replaced only with --force; without it the tool asks\n"
         "on a terminal, and refuses (exit code 2) when standard input is not one.\n",
         1,
         1,
         {},
         {"--force"},
         [](CCliContext& c, const CCliArgs& a) { return RunNew(c, a); }},
        {"set",
         "set FILE SETTING=VALUE ... | set FILE --from PROFILE",
         "Changes settings of a data file and saves it in place.",
         "SETTING is a setting's ID or its label, letter case aside, as 'info FILE'\n"
         "lists them (quote a label with blanks). Switches take on, off, 1 or 0.\n"
         "Lists take an option's text (+10dB, Normal; letter case aside) or its\n"
         "stored value after # (#15, the Word column of info). Where the options\n"
         "are levels (dB), a bare number is refused as ambiguous; where they are\n"
         "words, a bare number is the stored value. Numbers are decimal, leading\n"
         "zeros allowed, or hexadecimal after 0x (#0x0F is #15). Blanks around\n"
         "SETTING and VALUE are ignored. Assignments apply in order; switching 1000\n"
         "off turns a \"Voice Recognition\" TX LED back to \"Normal\" as the settings\n"
         "form does. Each change is printed (Label (ID): old -> new), a value the\n"
         "setting has already as such (Label (ID): value, as it was); if any\n"
         "assignment is refused, nothing is written, and when nothing changes\n"
         "the file is left as it was.\n"
         "--from PROFILE applies a profile, as 'info FILE --settings' prints one:\n"
         "a \"Label = value\" a line (the same rules, #WORD for a word that is\n"
         "none of the options, unset for the word of a new file), lines of bytes\n"
         "\"@0x0040 = 12 34\" that no setting names, blank lines and comments\n"
         "after # left out; a byte order mark and CRLF line ends are taken.\n"
         "It applies as a whole, in any order of its lines: the switches first,\n"
         "then the lists, then the rules between settings. Each\n"
         "setting may be given once; a refused line is named by its number, and\n"
         "then nothing is written. SETTING=VALUE given besides apply after it.\n"
         "Only the settings that changed are printed, and a line for the bytes.\n\n"
         "example: qzm530rx-cli set mic.dat 1006=+10dB \"Battery Save=on\" 1008=Normal\n"
         "         qzm530rx-cli set mic.dat --from shop-profile.txt\n",
         1,
         -1,
         {"--from"},
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
