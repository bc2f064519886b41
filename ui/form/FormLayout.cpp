#include "ui/form/FormLayout.h"

#include "core/ConfigStore.h"

#include <iterator>

namespace {

using K = FormControlKind;
namespace S = SettingId;
namespace F = FormId;

// The form's template, in tab order.
const CFormControlDef kControls[] = {
    {F::kFunctionGroup, K::GroupBox, "Function", 7, 7, 349, 126},
    {S::kNoiseCancellation, K::CheckBox, "Noise Cancel *", 16, 18, 113, 8},
    {F::kPresetGroup, K::GroupBox, "Effect Preset", 17, 29, 160, 98},
    {F::kPresetTable, K::Table, nullptr, 26, 41, 132, 62},
    {S::kPreset1, K::List, nullptr, 139, 44, 31, 116},
    {S::kPreset2, K::List, nullptr, 139, 50, 31, 116},
    {S::kPreset3, K::List, nullptr, 138, 59, 31, 116},
    {S::kPreset4, K::List, nullptr, 137, 70, 31, 116},
    {S::kPreset5, K::List, nullptr, 135, 75, 31, 116},
    {S::kSelfProgramming, K::CheckBox, "User Select Mode", 41, 106, 88, 8},
    {S::kPowerOnHint, K::RightText, "(Power ON while \"PF1\")", 22, 114, 112, 8},
    {S::kLowNoiseLevel, K::CheckBox, "Low Noise detection", 186, 35, 160, 8},
    {S::kHighSpeedFollow, K::CheckBox, "Fast following", 186, 51, 132, 8},
    {S::kMicPosition, K::CheckBox, "Mic Position estimate", 186, 54, 163, 8},
    {F::kAttenuationLabel, K::RightText, "Noise Cancel level", 183, 76, 89, 8},
    {S::kAttenuationLevel, K::List, nullptr, 281, 75, 67, 109},
    {S::kBatterySave, K::CheckBox, "Battery Save", 186, 101, 132, 8},
    {F::kTxLedGroup, K::GroupBox, "TX LED", 7, 136, 170, 41},
    {S::kTxLed, K::List, nullptr, 69, 151, 90, 137},
    {F::kTuningGroup, K::GroupBox, "Tuning", 188, 136, 168, 41},
    {F::kFrontMicLabel, K::RightText, "Main Mic Sense", 203, 146, 69, 8},
    {S::kFrontMicSense, K::List, nullptr, 281, 145, 67, 93},
    {F::kRearMicLabel, K::RightText, "Sub Mic Sense", 206, 161, 66, 8},
    {S::kRearMicSense, K::List, nullptr, 281, 160, 67, 79},
    {F::kTestGroup, K::GroupBox, "* Test", 7, 179, 85, 24},
    {S::kTestMode, K::CheckBox, "* Test Mode", 16, 188, 57, 10},
    {F::kMemoryMapButton, K::Button, "* Memory Map", 103, 186, 78, 14},
    {F::kReadButton, K::Button, "&Read", 192, 186, 78, 14},
    {F::kWriteButton, K::Button, "&Write", 278, 186, 78, 14},
    {F::kConfigurationGroup, K::GroupBox, "Configuration", 7, 205, 170, 34},
    {F::kPortCaption, K::RightText, "COM port", 18, 218, 45, 8},
    {F::kPortLabel, K::SunkenText, " COM x", 68, 218, 47, 11},
    {F::kPortButton, K::IconButton, nullptr, 122, 217, 17, 14},
    {F::kHelpButton, K::Button, "&Help", 192, 242, 78, 14},
    {F::kExitButton, K::Button, "&Exit", 278, 242, 78, 14},
};

using V = FormValueKind;
const CFormValueDef kValues[] = {
    {S::kTestMode, V::Switch},        {S::kNoiseCancellation, V::Switch},
    {S::kSelfProgramming, V::Switch}, {S::kLowNoiseLevel, V::Switch},
    {S::kHighSpeedFollow, V::Switch}, {S::kMicPosition, V::Switch},
    {S::kBatterySave, V::Switch},     {S::kPreset1, V::List},
    {S::kPreset2, V::List},           {S::kPreset3, V::List},
    {S::kPreset4, V::List},           {S::kPreset5, V::List},
    {S::kAttenuationLevel, V::List},  {S::kTxLed, V::List},
    {S::kFrontMicSense, V::List},     {S::kRearMicSense, V::List},
};
static_assert(std::size(kValues) == kFormValueCount, "the control-value table has 16 entries");

struct CNamingCaption
{
    int id;
    int captionId;
};
const CNamingCaption kNamingCaptions[] = {
    {S::kPreset1, F::kPresetGroup},       {S::kPreset2, F::kPresetGroup},
    {S::kPreset3, F::kPresetGroup},       {S::kPreset4, F::kPresetGroup},
    {S::kPreset5, F::kPresetGroup},       {S::kAttenuationLevel, F::kAttenuationLabel},
    {S::kTxLed, F::kTxLedGroup},          {S::kFrontMicSense, F::kFrontMicLabel},
    {S::kRearMicSense, F::kRearMicLabel}, {F::kPortButton, F::kPortCaption},
    {F::kPresetTable, F::kPresetGroup},
};

const int kPresetLists[kPresetRowCount] = {S::kPreset1, S::kPreset2, S::kPreset3, S::kPreset4,
                                           S::kPreset5};

constexpr int kSwitchInitial = 0;
constexpr int kListInitial = -1;

} // namespace

const CFormControlDef* FormControlsBegin()
{
    return std::begin(kControls);
}

const CFormControlDef* FormControlsEnd()
{
    return std::end(kControls);
}

const CFormControlDef* FindFormControl(int id)
{
    for (const CFormControlDef& control : kControls)
        if (control.id == id)
            return &control;
    return nullptr;
}

const CFormValueDef* FormValuesBegin()
{
    return std::begin(kValues);
}

const CFormValueDef* FormValuesEnd()
{
    return std::end(kValues);
}

int FormValueIndex(int id)
{
    for (std::size_t i = 0; i < kFormValueCount; ++i)
        if (kValues[i].id == id)
            return static_cast<int>(i);
    return -1;
}

int InitialFormValue(FormValueKind kind)
{
    return kind == FormValueKind::Switch ? kSwitchInitial : kListInitial;
}

int FormNamingCaption(int id)
{
    for (const CNamingCaption& naming : kNamingCaptions)
        if (naming.id == id)
            return naming.captionId;
    return 0;
}

int PresetRowList(int row)
{
    return row >= 1 && row <= kPresetRowCount ? kPresetLists[row - 1] : 0;
}

int PresetRowOfList(int id)
{
    for (int row = 1; row <= kPresetRowCount; ++row)
        if (kPresetLists[row - 1] == id)
            return row;
    return 0;
}
