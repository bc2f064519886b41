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
// "+10dB"), or "#N" for a word that text would not give back exactly (a
// word that is none of the options, a switch word other than its on and
// off).
std::string ProfileValue(const CConfigStore& store, const CSettingDef& def);

// The profile of `store`: a comment naming `source`, then every setting in
// offset order as "Label = value  # ID".
std::string ProfileText(const CConfigStore& store, const std::string& source);

// A line of a profile that was refused.
struct CProfileProblem
{
    int line = 0; // counted from 1
    AssignmentResult result = AssignmentResult::Valid;
    CSettingAssignment assignment;
    int repeats = 0; // for a setting given twice: the line that gave it first; else 0
};

// Applies a profile to the store's working image as a whole. A line is an
// assignment as `set` takes it ("Battery Save = on", "1006=+10dB"); blank
// lines and lines that begin with '#' are left out, and a '#' after a blank
// and before a blank or the end starts a comment (so "= #15" is a value).
// The switches are applied first, then the lists against what the switches
// offer, then the rules between settings, so the order of the lines does
// not matter. Each setting may be given once. When any line is refused,
// the store is left as it was and every refused line is in `problems`.
bool ApplyProfile(CConfigStore& store, std::string_view text,
                  std::vector<CProfileProblem>& problems);
