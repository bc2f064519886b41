#pragma once
#include <cstddef>

// The settings form as its template describes it: every control with its
// kind, built-in text and place, and the table through which setting values
// pass between the store and the controls.

// Dialog units of the whole form (without a title).
constexpr int kFormWidthDu = 363;
constexpr int kFormHeightDu = 263;

// IDs of the form's controls that are not settings. Every other control ID
// is the setting ID of the setting that it shows.
namespace FormId {
constexpr int kFunctionGroup = 1019;
constexpr int kPresetGroup = 1020;
constexpr int kPresetTable = 1035;
constexpr int kAttenuationLabel = 1021;
constexpr int kTxLedGroup = 1022;
constexpr int kTuningGroup = 1023;
constexpr int kFrontMicLabel = 1024;
constexpr int kRearMicLabel = 1025;
constexpr int kTestGroup = 1026;
constexpr int kMemoryMapButton = 1012;
constexpr int kReadButton = 1013;
constexpr int kWriteButton = 1014;
constexpr int kHelpButton = 1017;
constexpr int kExitButton = 1018;
constexpr int kConfigurationGroup = 1027;
constexpr int kPortCaption = 1028;
constexpr int kPortLabel = 1039;
constexpr int kPortButton = 1040;
// The IDs whose notifications the form handles.
constexpr int kFirstNotified = 1000;
constexpr int kLastNotified = 5000;
} // namespace FormId

enum class FormControlKind
{
    GroupBox,
    CheckBox,
    Table,
    List,       // a fixed drop-down list; the height is the dropped-down one
    RightText,  // static text, right-aligned
    SunkenText, // static text, sunken, vertically centred
    Button,
    IconButton, // a push button that shows an icon instead of a text
};

struct CFormControlDef
{
    int id;
    FormControlKind kind;
    const char* templateText; // nullptr for controls without one
    int x, y, width, height;  // dialog units
};

// The controls in tab order.
const CFormControlDef* FormControlsBegin();
const CFormControlDef* FormControlsEnd();
const CFormControlDef* FindFormControl(int id);

enum class FormValueKind
{
    Switch, // the check state, 0 or 1
    List,   // the position of the selected option, -1 for none
};

struct CFormValueDef
{
    int id;
    FormValueKind kind;
};

// The control-value table, in its order.
constexpr std::size_t kFormValueCount = 16;
const CFormValueDef* FormValuesBegin();
const CFormValueDef* FormValuesEnd();
// Index of the control in the control-value table, or -1.
int FormValueIndex(int id);
// The value an entry holds before the first Refresh.
int InitialFormValue(FormValueKind kind);

// The control whose caption names a control that shows none of its own, for
// screen readers: a drop-down list takes its label's or its group's, the port
// button the "COM port" caption's, the preset table its group's. 0 for every
// other control. The preset
// lists add their row's number to the group's caption ("Environment 1").
int FormNamingCaption(int id);

// The effect-preset table: rows 1 to 5, each edited with its own list.
constexpr int kPresetRowCount = 5;
// The list that edits preset row `row` (1 to 5), or 0.
int PresetRowList(int row);
// The preset row that a list edits, or 0 for another control.
int PresetRowOfList(int id);
