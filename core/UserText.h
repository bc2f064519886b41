#pragma once
#include <string>
#include <string_view>

// Reading what a user typed: numbers and words given on a command line or in
// an assignment. Every number the programs take from their arguments goes
// through ParseNumber, so they all follow one rule.

// The text without the blanks (spaces and tabs) at either end.
std::string_view TrimBlanks(std::string_view text);

// Whether two texts are equal apart from the letter case of ASCII letters.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// A number: decimal digits, leading zeros allowed ("010" is ten), or
// hexadecimal digits after "0x" or "0X" ("0x0F" is fifteen). No sign, no
// other prefix, nothing after the digits; blanks at either end are ignored.
// True with `value` set when the text is such a number from `minimum` to
// `maximum`; false, with `value` untouched, otherwise (overflow included).
bool ParseNumber(std::string_view text, long minimum, long maximum, long& value);
