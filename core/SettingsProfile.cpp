#include "core/SettingsProfile.h"

#include "core/ConfigStore.h"
#include "core/SettingText.h"
#include "core/SettingsLayout.h"
#include "core/UserText.h"

#include <algorithm>
#include <map>

namespace {

constexpr char kComment = '#';

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

std::string ProfileValue(const CConfigStore& store, const CSettingDef& def)
{
    if (TextGivesTheWordBack(store, def))
        return DisplayValue(store, def);
    return "#" + std::to_string(store.GetWord(def.id));
}

std::string ProfileText(const CConfigStore& store, const std::string& source)
{
    std::string text = "# The settings of " + source +
                       ", one a line as \"Label = value  # ID\".\n"
                       "# qzm530rx-cli set FILE --from PROFILE applies them to FILE.\n";
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def)
        text += std::string(def->label) + " = " + ProfileValue(store, *def) + "  # " +
                std::to_string(def->id) + "\n";
    return text;
}

bool ApplyProfile(CConfigStore& store, std::string_view text,
                  std::vector<CProfileProblem>& problems)
{
    problems.clear();
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
    return true;
}
