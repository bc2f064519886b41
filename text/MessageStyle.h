#pragma once
// Style values and answer codes of the modal message box. They are the
// interface between the message-box operations and whatever shows the box
// (a window, the console, a test), so they keep the platform's numbers.

namespace MessageStyle {
// Buttons (low nibble).
constexpr unsigned kOk = 0x00;
constexpr unsigned kOkCancel = 0x01;
constexpr unsigned kYesNoCancel = 0x03;
constexpr unsigned kButtonMask = 0x0F;
// Icons.
constexpr unsigned kIconStop = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconExclamation = 0x30;
constexpr unsigned kIconInformation = 0x40;
constexpr unsigned kIconMask = 0xF0;
// Second button is the default one.
constexpr unsigned kDefaultButton2 = 0x100;
} // namespace MessageStyle

namespace MessageAnswer {
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kYes = 6;
constexpr int kNo = 7;
} // namespace MessageAnswer
