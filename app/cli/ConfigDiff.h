#pragma once
// Where two configurations differ, and how the command-line tool shows it:
// diff between files, verify and write --changes between a microphone and
// a file.
#include "core/SettingText.h"

#include "job/VerifiedTransfer.h"

#include <QJsonObject>

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

class CConfigStore;
struct CCliContext;
struct CSettingDef;

// `value` in hex with `digits` digits: "0F", "000F".
std::string HexText(unsigned value, int digits);
// A setting's value as the form shows it ("+10dB", "on"); a list's word
// that is none of its options is named as such, with what the form shows
// for it: "#7, not an option (shown as 0dB)", and the word of a new
// configuration as "unset (reads as 0dB)".
std::string ShownValue(const CConfigStore& store, const CSettingDef& def);

struct CConfigDiff
{
    std::vector<const CSettingDef*> settings; // in offset order
    std::vector<std::size_t> bytes;           // outside the settings words
    bool Same() const { return settings.empty() && bytes.empty(); }
};
CConfigDiff DiffConfigurations(const CConfigStore& a, const CConfigStore& b);

// A line per differing setting, `a`'s value first:
// "Noise Attenuation Level: +10dB (0x000F) -> -10dB (0x0005)".
void PrintSettingLines(std::ostream& out, const CConfigStore& a, const CConfigStore& b,
                       const CConfigDiff& diff);
// One line with the count of the other bytes that differ, and their offsets
// when there are few; nothing when there are none.
void PrintOtherBytesLine(std::ostream& out, const CConfigDiff& diff);
// "same", "settings" (id, label, value and word on each side) and "bytes"
// (offset, a, b).
QJsonObject DiffJson(const CConfigStore& a, const CConfigStore& b, const CConfigDiff& diff);

// What differs between the microphone's `image` (first) and the store's
// working image (the file), in diff's format on stdout: the settings, then
// a line for the other bytes; `same` is said when nothing differs.
void PrintMicrophoneDiff(CCliContext& context, const MicImage& image, const char* same);
// The same as diff --json's "same", "settings" and "bytes", `a` the
// microphone, added to `json`.
void AddMicrophoneDiff(CCliContext& context, const MicImage& image, QJsonObject& json);
