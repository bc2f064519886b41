#pragma once
#include <cstddef>

// Where each setting lives in the image and how it is encoded. Every
// setting is a 16-bit little-endian word in the first 34 bytes.

enum class SettingEncoding
{
    SwitchA, // on 0xFFFF, off 0x0000; reads on for anything but 0x0000
    SwitchB, // on 0x0001, off 0xFFFF; reads on only for 0x0001
    List,    // the whole word is compared with the option values
};

enum class OptionList
{
    None,
    Effect,      // effect presets 2 to 5
    EffectFirst, // effect preset 1: the effect list without "None"
    TxLed,
    Level,
};

struct CSettingDef
{
    int id;
    std::size_t offset;
    SettingEncoding encoding;
    OptionList list;
    int fallbackValue; // list settings only
    const char* label; // as the settings form names it
};

// The settings in offset order (the marker word at offset 0 is not one).
const CSettingDef* SettingsBegin();
const CSettingDef* SettingsEnd();
// The setting of that ID, or nullptr.
const CSettingDef* FindSetting(int id);

// Offsets of the 16-bit words; the settings occupy the first 34 bytes,
// after the marker word.
constexpr std::size_t kFirstSettingOffset = 2;
constexpr std::size_t kSettingsAreaSize = 34;
