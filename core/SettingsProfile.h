#pragma once
// A profile: the settings of a configuration as text, one "Label = value"
// a line, to keep beside a data file or in version control, and to apply
// to another file as a whole.
#include "core/SettingAssignment.h"

#include <string>
#include <string_view>
#include <vector>

class CConfigStore;
struct CSettingDef;

// A setting's value as a profile gives it: the text `info` shows ("on",
// "+10dB"), "unset" for a list's word as a new configuration holds it
// (0xFFFF, which reads as the setting's fallback), or "#N" for a word that
// text would not give back exactly (a word that is none of the options, a
// switch word other than its on and off).
std::string ProfileValue(const CConfigStore& store, const CSettingDef& def);

// The profile of `store`: a comment naming `source`, then every setting in
// offset order as "Label = value  # ID" ("# ID, reads as 0dB" for an unset
// word), then the image's bytes that no setting names, where they differ
// from a new configuration, as lines "@0x0040 = 12 34 56" of up to 16
// bytes each, so that the profile holds the whole configuration.
std::string ProfileText(const CConfigStore& store, const std::string& source);

// What is wrong with a line of bytes.
enum class ByteLineFault
{
    kNone,
    kNotHex,  // not "@0xOFFSET = HH HH ..." with two hex digits a byte
    kOutside, // past the end of the image
    kNamed    // a byte of a setting's word: the setting is given by its name
};

// A line of a profile that was refused.
struct CProfileProblem
{
    int line = 0; // counted from 1
    AssignmentResult result = AssignmentResult::Valid;
    CSettingAssignment assignment;
    int repeats = 0; // for a setting given twice: the line that gave it first; else 0
    ByteLineFault bytes = ByteLineFault::kNone; // for a line of bytes
    std::size_t offset = 0;                     // its first byte at fault
};

// Applies a profile to the store's working image as a whole. A line is an
// assignment as `set` takes it ("Battery Save = on", "1006=+10dB"), or a
// line of bytes that no setting names ("@0x0040 = 12 34"); blank lines and
// lines that begin with '#' are left out, and a '#' after a blank and before
// a blank or the end starts a comment (so "= #15" is a value). A UTF-8 byte
// order mark at the start and CRLF line ends are taken as a text editor
// writes them.
// The switches are applied first, then the lists against what the switches
// offer, then the rules between settings, so the order of the lines does
// not matter. Each setting may be given once. When any line is refused,
// the store is left as it was and every refused line is in `problems`.
bool ApplyProfile(CConfigStore& store, std::string_view text,
                  std::vector<CProfileProblem>& problems);
