#include "core/SettingsProfile.h"

#include "core/ConfigStore.h"
#include "core/SettingText.h"
#include "core/SettingsLayout.h"
#include "core/UserText.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

constexpr char kComment = '#';
constexpr char kBytesMark = '@';
constexpr std::size_t kBytesPerLine = 16;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* kHexDigits = "0123456789ABCDEF";

// Whether image byte `offset` belongs to a setting's word.
bool NamedByte(std::size_t offset)
{
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def)
        if (offset == def->offset || offset == def->offset + 1)
            return true;
    return false;
}

// A byte of a new configuration.
uint8_t NewByte(std::size_t offset)
{
    return offset < 2 ? CConfigStore::kMarkerByte : CConfigStore::kEmptyByte;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "@0x0040 = 12 34": the offset and the bytes; false when it is not so.
bool ReadByteLine(std::string_view line, std::size_t& offset, std::vector<uint8_t>& bytes)
{
    const std::size_t eq = line.find('=');
    if (line.empty() || line[0] != kBytesMark || eq == std::string_view::npos)
        return false;
    long value = 0;
    if (!ParseNumber(TrimBlanks(line.substr(1, eq - 1)), 0, 0xFFFF, value))
        return false;
    offset = static_cast<std::size_t>(value);
    bytes.clear();
    std::string_view rest = TrimBlanks(line.substr(eq + 1));
    while (!rest.empty()) {
        if (rest.size() < 2 || HexValue(rest[0]) < 0 || HexValue(rest[1]) < 0 ||
            (rest.size() > 2 && rest[2] != ' ' && rest[2] != '\t'))
            return false;
        bytes.push_back(static_cast<uint8_t>(HexValue(rest[0]) * 16 + HexValue(rest[1])));
        rest = TrimBlanks(rest.substr(2));
    }
    return !bytes.empty();
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The line without its comment.
std::string_view WithoutComment(std::string_view line)
{
    const std::string_view trimmed = TrimBlanks(line);
    if (!trimmed.empty() && trimmed[0] == kComment)
        return {};
    for (std::size_t at = 1; at < line.size(); ++at) {
        if (line[at] != kComment || !IsBlank(line[at - 1]))
            continue;
        if (at + 1 == line.size() || IsBlank(line[at + 1]))
            return line.substr(0, at);
    }
    return line;
}

// Whether the word of `def` reads back as the text `info` shows.
bool TextGivesTheWordBack(const CConfigStore& store, const CSettingDef& def)
{
    const uint16_t word = store.GetWord(def.id);
    if (def.encoding == SettingEncoding::List) {
        // The first option of that text is the one the text gives.
        const std::string shown = DisplayValue(store, def);
        if (TrimBlanks(shown) != shown)
            return false;
        for (const COption& option : store.GetOptions(def.id))
            if (EqualsIgnoringCase(option.text, shown))
                return option.value == word;
        return false;
    }
    CConfigStore again;
    again.SetSwitch(def.id, store.GetValue(def.id));
    return again.GetWord(def.id) == word;
}

struct CProfileLine
{
    int line = 0;
    std::string text;
    const CSettingDef* setting = nullptr;
};

} // namespace

// Whether the setting's word is a list's unset word, which reads as its
// fallback.
bool IsUnset(const CConfigStore& store, const CSettingDef& def)
{
    return def.encoding == SettingEncoding::List && store.GetWord(def.id) == kUnsetWord &&
           !TextGivesTheWordBack(store, def);
}

std::string ProfileValue(const CConfigStore& store, const CSettingDef& def)
{
    if (TextGivesTheWordBack(store, def))
        return DisplayValue(store, def);
    if (IsUnset(store, def))
        return kUnsetText;
    return "#" + std::to_string(store.GetWord(def.id));
}

std::string ProfileText(const CConfigStore& store, const std::string& source)
{
    std::string text = "# The settings of " + source +
                       ", one a line as \"Label = value  # ID\".\n"
                       "# qzm530rx-cli set FILE --from PROFILE applies them to FILE.\n";
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def) {
        text += std::string(def->label) + " = " + ProfileValue(store, *def) + "  # " +
                std::to_string(def->id);
        if (IsUnset(store, *def))
            text += ", reads as " + DisplayValue(store, *def);
        text += "\n";
    }
    // The bytes no setting names, in runs of those that differ from new.
    const uint8_t* image = store.WorkingImage();
    std::string bytes;
    for (std::size_t at = 0; at < CConfigStore::kImageSize;) {
        if (NamedByte(at) || image[at] == NewByte(at)) {
            ++at;
            continue;
        }
        std::string line = "@0x" + std::string(1, kHexDigits[(at >> 12) & 0xF]) +
                           kHexDigits[(at >> 8) & 0xF] + kHexDigits[(at >> 4) & 0xF] +
                           kHexDigits[at & 0xF] + " =";
        for (std::size_t n = 0; n < kBytesPerLine && at < CConfigStore::kImageSize &&
                                !NamedByte(at) && image[at] != NewByte(at);
             ++n, ++at)
            line += std::string(" ") + kHexDigits[image[at] >> 4] + kHexDigits[image[at] & 0xF];
        bytes += line + "\n";
    }
    if (!bytes.empty())
        text += "# The bytes that no setting names, where they differ from a new configuration:\n" +
                bytes;
    return text;
}

bool ApplyProfile(CConfigStore& store, std::string_view text,
                  std::vector<CProfileProblem>& problems)
{
    problems.clear();
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    struct CByteLine
    {
        std::size_t offset;
        std::vector<uint8_t> bytes;
    };
    std::vector<CByteLine> byteLines;
    // The lines that say something, each setting once.
    std::vector<CProfileLine> lines;
    std::map<const CSettingDef*, int> firstLine;
    int number = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view said = TrimBlanks(WithoutComment(line));
        if (said.empty())
            continue;
        if (said[0] == kBytesMark) {
            CByteLine bytes{};
            CProfileProblem problem{number, AssignmentResult::Valid, {},
                                    0,      ByteLineFault::kNone,    0};
            if (!ReadByteLine(said, bytes.offset, bytes.bytes)) {
                problem.bytes = ByteLineFault::kNotHex;
            } else if (bytes.offset + bytes.bytes.size() > CConfigStore::kImageSize) {
                problem.bytes = ByteLineFault::kOutside;
                problem.offset = bytes.offset;
            } else {
                for (std::size_t i = 0; i < bytes.bytes.size(); ++i) {
                    if (NamedByte(bytes.offset + i)) {
                        problem.bytes = ByteLineFault::kNamed;
                        problem.offset = bytes.offset + i;
                        break;
                    }
                }
            }
            if (problem.bytes != ByteLineFault::kNone)
                problems.push_back(problem);
            else
                byteLines.push_back(std::move(bytes));
            continue;
        }
        CProfileLine entry{number, std::string(said), nullptr};
        CSettingAssignment assignment;
        const AssignmentResult result = ParseAssignment(store, said, assignment, true);
        if (result == AssignmentResult::NotAnAssignment ||
            result == AssignmentResult::UnknownSetting) {
            problems.push_back({number, result, assignment, 0});
            continue;
        }
        entry.setting = assignment.setting;
        const auto [first, isNew] = firstLine.emplace(entry.setting, number);
        if (!isNew) {
            problems.push_back({number, AssignmentResult::Valid, assignment, first->second});
            continue;
        }
        lines.push_back(std::move(entry));
    }

    // The switches first: what the lists offer depends on them.
    std::stable_partition(lines.begin(), lines.end(), [](const CProfileLine& line) {
        return line.setting->encoding != SettingEncoding::List;
    });
    CConfigStore::Image before{};
    std::copy_n(store.WorkingImage(), before.size(), before.begin());
    bool noiseCancellationGiven = false;
    bool txLedGivenAsWord = false;
    for (const CProfileLine& line : lines) {
        CSettingAssignment assignment;
        const AssignmentResult result = ParseAssignment(store, line.text, assignment, true);
        if (result != AssignmentResult::Valid) {
            problems.push_back({line.line, result, assignment, 0});
            continue;
        }
        noiseCancellationGiven =
            noiseCancellationGiven || assignment.setting->id == SettingId::kNoiseCancellation;
        txLedGivenAsWord =
            txLedGivenAsWord || (assignment.setting->id == SettingId::kTxLed && assignment.raw);
        // The rules between settings come once all are in.
        if (assignment.raw)
            store.SetWord(assignment.setting->id, static_cast<uint16_t>(assignment.value));
        else if (assignment.setting->encoding == SettingEncoding::List)
            store.SetListValue(assignment.setting->id, assignment.value);
        else
            store.SetSwitch(assignment.setting->id, assignment.value);
    }
    if (!problems.empty()) {
        std::copy(before.begin(), before.end(), store.WorkingImage());
        std::sort(
            problems.begin(), problems.end(),
            [](const CProfileProblem& a, const CProfileProblem& b) { return a.line < b.line; });
        return false;
    }
    // Noise cancellation switched takes "Voice Recognition" back to
    // "Normal", as `set` does; a TX LED given as a word stays that word.
    if (noiseCancellationGiven && !txLedGivenAsWord)
        store.FollowTxLed();
    for (const CByteLine& bytes : byteLines)
        std::copy(bytes.bytes.begin(), bytes.bytes.end(), store.WorkingImage() + bytes.offset);
    return true;
}
