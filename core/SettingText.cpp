#include "core/SettingText.h"

#include "core/ConfigStore.h"
#include "core/SettingsLayout.h"

#include <vector>

std::string DisplayValue(const CConfigStore& store, const CSettingDef& def)
{
    if (def.encoding != SettingEncoding::List)
        return store.GetValue(def.id) == 1 ? "on" : "off";
    const int position = store.GetValue(def.id);
    const std::vector<COption> options = store.GetOptions(def.id);
    if (position < 0 || static_cast<std::size_t>(position) >= options.size())
        return "(none)";
    return options[static_cast<std::size_t>(position)].text;
}
