// Feeds arbitrary text to the profile reader as `set --from` takes it: it
// must not crash; a refused profile leaves the configuration as it was and
// names only lines that are there; an accepted one printed as a profile
// and applied to a new configuration gives the same image, byte for byte.
// The first line is also tried as a serial number pattern: a pattern taken
// gives labels that are labels, each once, that it reads back as its own.
#include "FuzzSupport.h"
#include "core/ConfigStore.h"
#include "core/SettingsProfile.h"
#include "job/MicLabel.h"
#include "job/SerialCounter.h"
#include "text/TextCatalog.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

void CheckSerialPattern(const std::string& pattern)
{
    CSerialCounter counter;
    counter.SetDate({2026, 12, 9});
    SerialFault fault = SerialFault::kNone;
    if (!counter.SetPattern(pattern, fault)) {
        Check(fault != SerialFault::kNone);
        return;
    }
    std::vector<std::string> drawn;
    long previous = -1;
    for (int i = 0; i < 3; ++i) {
        std::string label;
        Check(counter.Next(label));
        std::string checked = label;
        Check(CheckLabel(checked) == LabelFault::kNone && checked == label);
        long number = 0;
        Check(counter.NumberOf(label, number));
        Check(previous < 0 || number == previous + 1);
        Check(counter.Format(number) == label);
        previous = number;
        drawn.push_back(label);
    }
    // A second run goes on after the first.
    CSerialCounter again;
    again.SetDate({2026, 12, 9});
    Check(again.SetPattern(pattern, fault));
    again.ContinueAfter(drawn);
    std::string label;
    long number = 0;
    Check(again.Next(label) && again.NumberOf(label, number) && number == previous + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckSerialPattern(text.substr(0, text.find('\n')));

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
    Check(std::equal(store.WorkingImage(), store.WorkingImage() + CConfigStore::kImageSize,
                     copy.WorkingImage()));
    return 0;
}
