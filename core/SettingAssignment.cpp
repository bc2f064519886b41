#include "core/SettingAssignment.h"

#include "core/ConfigStore.h"
#include "core/SettingsLayout.h"
#include "core/UserText.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <vector>

namespace {

constexpr long kSwitchOff = 0;
constexpr long kSwitchOn = 1;
constexpr char kStoredValueMark = '#';
constexpr long kLargestWord = 0xFFFF;

// 1 on, 0 off, -1 for anything else.
int SwitchState(std::string_view text)
{
    long number = 0;
    if (ParseNumber(text, kSwitchOff, kSwitchOn, number))
        return static_cast<int>(number);
    if (EqualsIgnoringCase(text, "on"))
        return kSwitchOn;
    if (EqualsIgnoringCase(text, "off"))
        return kSwitchOff;
    return -1;
}

// The number an option's text begins with ("+10dB" 10, "-4dB" -4, "0dB"
// 0); false for a text that begins with no number.
bool LeadingNumber(const std::string& text, long& number)
{
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at])))
        return false;
    number = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
        number = number * 10 + (text[at++] - '0');
    if (negative)
        number = -number;
    return true;
}

// Whether the options read as numbers, every one of them.
bool OptionsAreNumbers(const std::vector<COption>& options)
{
    long unused = 0;
    return !options.empty() && std::all_of(options.begin(), options.end(), [&](const COption& o) {
        return LeadingNumber(o.text, unused);
    });
}

} // namespace

const CSettingDef* FindSettingByName(std::string_view name)
{
    long id = 0;
    if (ParseNumber(name, 0, INT_MAX, id))
        return FindSetting(static_cast<int>(id));
    const std::string_view trimmed = TrimBlanks(name);
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def)
        if (EqualsIgnoringCase(trimmed, def->label))
            return def;
    return nullptr;
}

namespace {

// Letters to change, add or drop to make `a` into `b`, letter case aside.
std::size_t EditDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A misspelling is at most this many letters off, and no more than a third
// of the name.
constexpr std::size_t kMostMisspelled = 3;

} // namespace

const CSettingDef* NearestSetting(std::string_view name)
{
    const std::string_view trimmed = TrimBlanks(name);
    const CSettingDef* nearest = nullptr;
    std::size_t best = kMostMisspelled + 1;
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def) {
        const std::size_t distance = EditDistance(trimmed, def->label);
        if (distance < best && distance * 3 <= trimmed.size()) {
            best = distance;
            nearest = def;
        }
    }
    return nearest;
}

AssignmentResult ParseAssignment(const CConfigStore& store, std::string_view text,
                                 CSettingAssignment& assignment, bool wordsAsTheyStand)
{
    assignment = {};
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        assignment.idText = TrimBlanks(text);
        return AssignmentResult::NotAnAssignment;
    }
    assignment.idText = TrimBlanks(text.substr(0, eq));
    assignment.valueText = TrimBlanks(text.substr(eq + 1));
    assignment.setting = FindSettingByName(assignment.idText);
    if (!assignment.setting)
        return AssignmentResult::UnknownSetting;

    const std::string& value = assignment.valueText;
    if (EqualsIgnoringCase(value, kUnsetText)) {
        assignment.value = static_cast<int>(kUnsetWord);
        assignment.raw = true;
        return AssignmentResult::Valid;
    }
    long number = 0;
    // "#N": an option by its stored value, else the word N as it stands.
    const bool stored = !value.empty() && value[0] == kStoredValueMark;
    const bool storedNumber =
        stored && ParseNumber(std::string_view(value).substr(1), 0, kLargestWord, number);
    if (assignment.setting->encoding != SettingEncoding::List) {
        if (stored) {
            if (!storedNumber || !wordsAsTheyStand)
                return AssignmentResult::NotASwitchValue;
            assignment.value = static_cast<int>(number);
            assignment.raw = true;
            return AssignmentResult::Valid;
        }
        const int state = SwitchState(assignment.valueText);
        if (state < 0)
            return AssignmentResult::NotASwitchValue;
        assignment.value = state;
        return AssignmentResult::Valid;
    }

    const std::vector<COption> options = store.GetOptions(assignment.setting->id);
    const auto byValue = [&](long number) {
        return std::find_if(options.begin(), options.end(),
                            [&](const COption& option) { return option.value == number; });
    };
    if (stored) {
        if (!storedNumber)
            return AssignmentResult::NotAnOption;
        const auto option = byValue(number);
        if (option == options.end() && !wordsAsTheyStand)
            return AssignmentResult::NotAnOption;
        assignment.value = static_cast<int>(number);
        assignment.raw = option == options.end();
        return AssignmentResult::Valid;
    }
    for (const COption& option : options) {
        if (EqualsIgnoringCase(option.text, value)) {
            assignment.value = option.value;
            return AssignmentResult::Valid;
        }
    }
    if (!ParseNumber(value, 0, INT_MAX, number))
        return AssignmentResult::NotAnOption;
    if (OptionsAreNumbers(options)) {
        // "10": the stored value 10 (0dB), or the level +10dB?
        const auto stored = byValue(number);
        if (stored != options.end())
            assignment.storedReading = stored->text;
        for (const COption& option : options) {
            long reads = 0;
            if (LeadingNumber(option.text, reads) && reads == number)
                assignment.textReading = option.text;
        }
        return AssignmentResult::AmbiguousNumber;
    }
    const auto option = byValue(number);
    if (option == options.end())
        return AssignmentResult::NotAnOption;
    assignment.value = option->value;
    return AssignmentResult::Valid;
}

void ApplyAssignment(CConfigStore& store, const CSettingAssignment& assignment)
{
    const CSettingDef* def = assignment.setting;
    if (!def)
        return;
    if (assignment.raw) {
        store.SetWord(def->id, static_cast<uint16_t>(assignment.value));
        if (def->id == SettingId::kNoiseCancellation)
            store.FollowTxLed();
        return;
    }
    if (def->encoding != SettingEncoding::List) {
        store.SetSwitch(def->id, assignment.value);
        if (def->id == SettingId::kNoiseCancellation)
            store.FollowTxLed();
        return;
    }
    store.SetListValue(def->id, assignment.value);
}
