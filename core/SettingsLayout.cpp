// The settings table, the option lists, and the settings accessors of the
// configuration store that work on them.
#include "core/SettingsLayout.h"

#include "core/ConfigStore.h"
#include "text/TextCatalog.h"

#include <iterator>

namespace {

using namespace SettingId;

constexpr uint16_t kSwitchAOn = 0xFFFF;
constexpr uint16_t kSwitchAOff = 0x0000;
constexpr uint16_t kSwitchBOn = 0x0001;
constexpr uint16_t kSwitchBOff = 0xFFFF;
constexpr uint16_t kUnchosen = 0xFFFF;

constexpr int kEffectNone = 6;
constexpr int kEffectNormal = 0;
constexpr int kTxLedNormal = 0;
constexpr int kTxLedVoiceRecognition = 1;
constexpr int kLevelZeroDb = 10;

// clang-format off
const CSettingDef kSettings[] = {
    {kNoiseCancellation, 2,  SettingEncoding::SwitchA, OptionList::None,        0, "Noise Cancellation"},
    {kLowNoiseLevel,     4,  SettingEncoding::SwitchB, OptionList::None,        0, "Noise Cancellation in Low Noise Level"},
    {kHighSpeedFollow,   6,  SettingEncoding::SwitchA, OptionList::None,        0, "High-speed Followability"},
    {kMicPosition,       8,  SettingEncoding::SwitchA, OptionList::None,        0, "Optimization based on Microphone Position"},
    {kAttenuationLevel,  10, SettingEncoding::List,    OptionList::Level,       kLevelZeroDb, "Noise Attenuation Level"},
    {kBatterySave,       12, SettingEncoding::SwitchB, OptionList::None,        0, "Battery Save"},
    {kPreset1,           14, SettingEncoding::List,    OptionList::EffectFirst, kEffectNormal, "Effect Preset 1"},
    {kPreset2,           16, SettingEncoding::List,    OptionList::Effect,      kEffectNone, "Effect Preset 2"},
    {kPreset3,           18, SettingEncoding::List,    OptionList::Effect,      kEffectNone, "Effect Preset 3"},
    {kPreset4,           20, SettingEncoding::List,    OptionList::Effect,      kEffectNone, "Effect Preset 4"},
    {kPreset5,           22, SettingEncoding::List,    OptionList::Effect,      kEffectNone, "Effect Preset 5"},
    {kSelfProgramming,   24, SettingEncoding::SwitchB, OptionList::None,        0, "Self Programming Mode"},
    {kTxLed,             26, SettingEncoding::List,    OptionList::TxLed,       kTxLedNormal, "TX LED"},
    {kFrontMicSense,     28, SettingEncoding::List,    OptionList::Level,       kLevelZeroDb, "Front Mic Sense"},
    {kRearMicSense,      30, SettingEncoding::List,    OptionList::Level,       kLevelZeroDb, "Rear Mic Sense"},
    {kTestMode,          32, SettingEncoding::SwitchB, OptionList::None,        0, "* Test Mode"},
};
// clang-format on
static_assert(std::size(kSettings) == 16);

// When an option is offered.
enum class Offered
{
    Always,
    NotForPreset1,
    WhileNoiseCancellation,
};

struct COptionDef
{
    int value;
    int textId;          // 0 when the text is a fixed literal
    const char* literal; // nullptr when the text comes from the catalogue
    Offered offered;
};

// clang-format off
const COptionDef kEffectOptions[] = {
    {kEffectNone, 11000013, nullptr, Offered::NotForPreset1},
    {0,           11000002, nullptr, Offered::Always},
    {1,           11000004, nullptr, Offered::Always},
    {2,           11000005, nullptr, Offered::Always},
    {3,           11000006, nullptr, Offered::Always},
    {4,           11000007, nullptr, Offered::Always},
    {5,           11000008, nullptr, Offered::Always},
};

const COptionDef kTxLedOptions[] = {
    {2,                      11000001, nullptr, Offered::Always},
    {kTxLedNormal,           11000002, nullptr, Offered::Always},
    {kTxLedVoiceRecognition, 11000003, nullptr, Offered::WhileNoiseCancellation},
};

const COptionDef kLevelOptions[] = {
    {0,  0, "-20dB", Offered::Always}, {1,  0, "-18dB", Offered::Always},
    {2,  0, "-16dB", Offered::Always}, {3,  0, "-14dB", Offered::Always},
    {4,  0, "-12dB", Offered::Always}, {5,  0, "-10dB", Offered::Always},
    {6,  0, "-8dB",  Offered::Always}, {7,  0, "-6dB",  Offered::Always},
    {8,  0, "-4dB",  Offered::Always}, {9,  0, "-2dB",  Offered::Always},
    {10, 0, "0dB",   Offered::Always}, {11, 0, "+2dB",  Offered::Always},
    {12, 0, "+4dB",  Offered::Always}, {13, 0, "+6dB",  Offered::Always},
    {14, 0, "+8dB",  Offered::Always}, {15, 0, "+10dB", Offered::Always},
};
// clang-format on
static_assert(std::size(kLevelOptions) == 16);

struct COptionSpan
{
    const COptionDef* begin;
    const COptionDef* end;
};

COptionSpan OptionsOf(OptionList list)
{
    switch (list) {
    case OptionList::Effect:
    case OptionList::EffectFirst:
        return {std::begin(kEffectOptions), std::end(kEffectOptions)};
    case OptionList::TxLed:
        return {std::begin(kTxLedOptions), std::end(kTxLedOptions)};
    case OptionList::Level:
        return {std::begin(kLevelOptions), std::end(kLevelOptions)};
    case OptionList::None:
        break;
    }
    return {nullptr, nullptr};
}

// Whether a list offers the option now.
bool IsOffered(const COptionDef& option, OptionList list, bool noiseCancellation)
{
    switch (option.offered) {
    case Offered::NotForPreset1:
        return list != OptionList::EffectFirst;
    case Offered::WhileNoiseCancellation:
        return noiseCancellation;
    case Offered::Always:
        break;
    }
    return true;
}

bool ReadsOn(SettingEncoding encoding, uint16_t word)
{
    return encoding == SettingEncoding::SwitchA ? word != kSwitchAOff : word == kSwitchBOn;
}

bool IsSwitch(const CSettingDef* def)
{
    return def && def->encoding != SettingEncoding::List;
}

bool IsList(const CSettingDef* def)
{
    return def && def->encoding == SettingEncoding::List;
}

} // namespace

const CSettingDef* SettingsBegin()
{
    return std::begin(kSettings);
}

const CSettingDef* SettingsEnd()
{
    return std::end(kSettings);
}

const CSettingDef* FindSetting(int id)
{
    for (const CSettingDef& def : kSettings)
        if (def.id == id)
            return &def;
    return nullptr;
}

uint16_t CConfigStore::GetWord(int id) const
{
    const CSettingDef* def = FindSetting(id);
    return def ? WordAt(def->offset) : 0;
}

void CConfigStore::SetWord(int id, uint16_t word)
{
    if (const CSettingDef* def = FindSetting(id))
        PutWord(def->offset, word);
}

int CConfigStore::GetValue(int id) const
{
    const CSettingDef* def = FindSetting(id);
    if (!def)
        return 0;
    const uint16_t word = WordAt(def->offset);
    if (IsSwitch(def))
        return ReadsOn(def->encoding, word) ? 1 : 0;

    // Walk the list as offered now: the first option equal to the whole
    // word wins; on the way remember where the fallback option stands.
    const bool noiseCancellation = GetValue(kNoiseCancellation) == 1;
    const COptionSpan span = OptionsOf(def->list);
    int position = 0;
    int fallback = -1;
    for (const COptionDef* option = span.begin; option != span.end; ++option) {
        if (!IsOffered(*option, def->list, noiseCancellation))
            continue;
        if (option->value == word)
            return position;
        if (fallback < 0 && option->value == def->fallbackValue)
            fallback = position;
        ++position;
    }
    return fallback;
}

void CConfigStore::SetSwitch(int id, int state)
{
    const CSettingDef* def = FindSetting(id);
    if (!IsSwitch(def))
        return;
    const bool formA = def->encoding == SettingEncoding::SwitchA;
    uint16_t word = kUnchosen;
    if (state == 1)
        word = formA ? kSwitchAOn : kSwitchBOn;
    else if (state == 0)
        word = formA ? kSwitchAOff : kSwitchBOff;
    PutWord(def->offset, word);
}

void CConfigStore::SetListValue(int id, int value)
{
    const CSettingDef* def = FindSetting(id);
    if (!IsList(def))
        return;
    PutWord(def->offset, static_cast<uint16_t>(value & 0xFF));
}

std::vector<COption> CConfigStore::GetOptions(int id) const
{
    std::vector<COption> options;
    const CSettingDef* def = FindSetting(id);
    if (!IsList(def))
        return options;
    const bool noiseCancellation = GetValue(kNoiseCancellation) == 1;
    const COptionSpan span = OptionsOf(def->list);
    for (const COptionDef* option = span.begin; option != span.end; ++option) {
        if (!IsOffered(*option, def->list, noiseCancellation))
            continue;
        std::string text;
        if (option->literal)
            text = option->literal;
        else if (m_texts)
            text = m_texts->GetText(option->textId);
        options.push_back({std::move(text), option->value});
    }
    return options;
}

bool CConfigStore::IsAvailable(int id) const
{
    const bool needsNoiseCancellation =
        (id >= kPreset1 && id <= kBatterySave) || id == kPowerOnHint;
    return !needsNoiseCancellation || GetValue(kNoiseCancellation) == 1;
}

bool CConfigStore::IsPresetEditable(int id) const
{
    const bool noiseCancellation = GetValue(kNoiseCancellation) == 1;
    if (id == kPreset1)
        return noiseCancellation;
    if (id >= kPreset2 && id <= kPreset5)
        return noiseCancellation && GetValue(kSelfProgramming) == 1;
    return false;
}

void CConfigStore::FollowTxLed()
{
    const CSettingDef* txLed = FindSetting(kTxLed);
    if (WordAt(txLed->offset) == kTxLedVoiceRecognition && GetValue(kNoiseCancellation) == 0)
        PutWord(txLed->offset, kTxLedNormal);
}
