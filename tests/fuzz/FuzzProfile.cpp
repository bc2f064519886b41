// Feeds arbitrary text to the profile reader as `set --from` takes it: it
// must not crash; a refused profile leaves the configuration as it was and
// names only lines that are there; an accepted one printed as a profile
// and applied to a new configuration gives the same setting words.
#include "FuzzSupport.h"
#include "core/ConfigStore.h"
#include "core/SettingsLayout.h"
#include "core/SettingsProfile.h"
#include "text/TextCatalog.h"

#include <algorithm>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CConfigStore store(&EnglishTexts());
    store.Reset();
    CConfigStore::Image before{};
    std::copy_n(store.WorkingImage(), before.size(), before.begin());
    std::vector<CProfileProblem> problems;
    if (!ApplyProfile(store, text, problems)) {
        Check(!problems.empty());
        Check(std::equal(before.begin(), before.end(), store.WorkingImage()));
        const long lines = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
        for (const CProfileProblem& problem : problems)
            Check(problem.line >= 1 && problem.line <= lines);
        return 0;
    }
    CConfigStore copy(&EnglishTexts());
    copy.Reset();
    Check(ApplyProfile(copy, ProfileText(store, "fuzz"), problems));
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def)
        Check(copy.GetWord(def->id) == store.GetWord(def->id));
    return 0;
}
