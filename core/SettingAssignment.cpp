#include "core/SettingAssignment.h"

#include "core/ConfigStore.h"
#include "core/SettingsLayout.h"
#include "core/UserText.h"

#include <climits>

namespace {

constexpr long kSwitchOff = 0;
constexpr long kSwitchOn = 1;

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

} // namespace

AssignmentResult ParseAssignment(const CConfigStore& store, std::string_view text,
                                 CSettingAssignment& assignment)
{
    assignment = {};
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        assignment.idText = TrimBlanks(text);
        return AssignmentResult::NotAnAssignment;
    }
    assignment.idText = TrimBlanks(text.substr(0, eq));
    assignment.valueText = TrimBlanks(text.substr(eq + 1));

    long id = 0;
    if (!ParseNumber(assignment.idText, 0, INT_MAX, id))
        return AssignmentResult::UnknownSetting;
    assignment.setting = FindSetting(static_cast<int>(id));
    if (!assignment.setting)
        return AssignmentResult::UnknownSetting;

    if (assignment.setting->encoding != SettingEncoding::List) {
        const int state = SwitchState(assignment.valueText);
        if (state < 0)
            return AssignmentResult::NotASwitchValue;
        assignment.value = state;
        return AssignmentResult::Valid;
    }

    // No option text is a bare number, so a value is either the one or the
    // other; "+10dB" is a text, never the number 10.
    long number = 0;
    const bool isNumber = ParseNumber(assignment.valueText, 0, INT_MAX, number);
    for (const COption& option : store.GetOptions(assignment.setting->id)) {
        if (isNumber ? option.value == number
                     : EqualsIgnoringCase(option.text, assignment.valueText)) {
            assignment.value = option.value;
            return AssignmentResult::Valid;
        }
    }
    return AssignmentResult::NotAnOption;
}

void ApplyAssignment(CConfigStore& store, const CSettingAssignment& assignment)
{
    const CSettingDef* def = assignment.setting;
    if (!def)
        return;
    if (def->encoding != SettingEncoding::List) {
        store.SetSwitch(def->id, assignment.value);
        if (def->id == SettingId::kNoiseCancellation)
            store.FollowTxLed();
        return;
    }
    store.SetListValue(def->id, assignment.value);
}
