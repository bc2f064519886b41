#pragma once
#include <string>
#include <string_view>

class CConfigStore;
struct CSettingDef;

// "SETTING=VALUE": one setting and the value to give it, as a script or a
// user writes it. The setting is its ID or its label (as the settings form
// and `info` name it, letter case aside). A switch takes on, off, 1 or 0. A
// list takes one of the options it offers now: by its text ("+10dB",
// "Normal", letter case aside), or by its stored value after "#" ("#15",
// the Word column of `info`). A bare number is an option's stored value
// only where the options are words; where they are numbers themselves (the
// dB levels) it is refused as ambiguous. With `wordsAsTheyStand` (a
// profile), "#N" that is none of the options, and "#N" for a switch, is
// the setting's word N as it stands, 0 to 0xFFFF, so that any word can be
// given back; else it is refused. "unset" (any letter case) is the word
// 0xFFFF that a new configuration holds, for any setting. Numbers follow ParseNumber
// (decimal, or hexadecimal after 0x). Blanks around the setting and the
// value are ignored.

enum class AssignmentResult
{
    Valid,
    NotAnAssignment, // no '='
    UnknownSetting,  // neither a setting's ID nor its label
    NotASwitchValue, // a switch given anything but on, off, 1 or 0
    NotAnOption,     // a list given neither the text nor the stored value of an option it offers
    AmbiguousNumber, // a bare number for a list whose options are numbers
};

struct CSettingAssignment
{
    const CSettingDef* setting = nullptr; // set from NotASwitchValue on
    std::string idText;                   // as given, without surrounding blanks
    std::string valueText;                // as given, without surrounding blanks
    int value = 0;                        // switch: 1 on, 0 off; list: the option's value
    bool raw = false;                     // "#N" that is no option: `value` is the word itself
    // For AmbiguousNumber: the option whose stored value the number is, and
    // the option whose text reads as the number; empty where there is none.
    std::string storedReading; // "0dB" for 10
    std::string textReading;   // "+10dB" for 10
};

// Parses one assignment against the settings table and the lists as `store`
// offers them now; reads the store, changes nothing. `assignment` is filled
// as far as the text could be read.
AssignmentResult ParseAssignment(const CConfigStore& store, std::string_view text,
                                 CSettingAssignment& assignment, bool wordsAsTheyStand = false);

// The setting that `name` names: an ID, or a label in any letter case;
// nullptr when none.
const CSettingDef* FindSettingByName(std::string_view name);
// The setting whose label is nearest to `name`, a few letters off at most
// (a misspelling); nullptr when none is that near.
const CSettingDef* NearestSetting(std::string_view name);

// The word a setting holds in a new configuration, where it reads as the
// setting's fallback: "unset".
constexpr unsigned kUnsetWord = 0xFFFF;
constexpr const char* kUnsetText = "unset";

// Writes a Valid assignment into the store's working image, as the settings
// form would: switching noise cancellation off takes a "Voice Recognition"
// TX LED back to "Normal".
void ApplyAssignment(CConfigStore& store, const CSettingAssignment& assignment);
