#pragma once
#include <string>
#include <string_view>

class CConfigStore;
struct CSettingDef;

// "ID=VALUE": one setting and the value to give it, as a script or a user
// writes it. The ID is a setting ID; a switch takes on, off, 1 or 0; a list
// takes one of the options it offers now, by value or by text. Numbers follow
// ParseNumber (decimal, or hexadecimal after 0x); texts are compared without
// regard to letter case. Blanks around the ID and around the value are
// ignored.

enum class AssignmentResult
{
    Valid,
    NotAnAssignment, // no '='
    UnknownSetting,  // the ID is no number or names no setting
    NotASwitchValue, // a switch given anything but on, off, 1 or 0
    NotAnOption,     // a list given neither the value nor the text of an option it offers
};

struct CSettingAssignment
{
    const CSettingDef* setting = nullptr; // set from UnknownSetting on
    std::string idText;                   // as given, without surrounding blanks
    std::string valueText;                // as given, without surrounding blanks
    int value = 0;                        // switch: 1 on, 0 off; list: the option's value
};

// Parses one assignment against the settings table and the lists as `store`
// offers them now; reads the store, changes nothing. `assignment` is filled
// as far as the text could be read.
AssignmentResult ParseAssignment(const CConfigStore& store, std::string_view text,
                                 CSettingAssignment& assignment);

// Writes a Valid assignment into the store's working image, as the settings
// form would: switching noise cancellation off takes a "Voice Recognition"
// TX LED back to "Normal".
void ApplyAssignment(CConfigStore& store, const CSettingAssignment& assignment);
