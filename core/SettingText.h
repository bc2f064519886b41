#pragma once
#include <string>

class CConfigStore;
struct CSettingDef;

// The value of a setting as the settings form would show it: "on", "off",
// "+10dB"; "(none)" for a list value that is not one of its options.
std::string DisplayValue(const CConfigStore& store, const CSettingDef& def);
