#pragma once
#include <cstddef>
#include <string>

// A microphone's label: what a barcode scanner or a person types for it,
// kept in the log, the backup's name and the results.
constexpr std::size_t kLongestLabel = 64;

// What is wrong with a label.
enum class LabelFault
{
    kNone,
    kControlCharacter, // it holds one
    kTooLong           // longer than kLongestLabel
};
// Checks `label` after dropping a trailing CR (a scanner's, a file's line
// end).
LabelFault CheckLabel(std::string& label);
