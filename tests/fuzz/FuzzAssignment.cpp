// Feeds arbitrary text to the assignment parser (ID=VALUE against the
// settings and the option lists as offered now): it must not crash, must
// answer with one of its results, and a valid assignment must name an
// offered option, a switch state or a word given after #, read back the
// same when written as its ID and value, and change nothing but its own
// setting's word when applied (and the TX LED's, when noise cancellation is
// switched).
#include "FuzzSupport.h"
#include "core/ConfigStore.h"
#include "core/SettingAssignment.h"
#include "core/SettingsLayout.h"
#include "text/TextCatalog.h"

#include <algorithm>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    CConfigStore store(&EnglishTexts());
    store.Reset();
    // The first byte picks noise cancellation and the TX LED, which decide
    // what the lists offer.
    store.SetSwitch(SettingId::kNoiseCancellation, data[0] & 1);
    store.SetListValue(SettingId::kTxLed, (data[0] >> 1) & 3);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    CSettingAssignment assignment;
    const AssignmentResult result = ParseAssignment(store, text, assignment);
    switch (result) {
    case AssignmentResult::NotAnAssignment:
    case AssignmentResult::UnknownSetting:
        return 0;
    case AssignmentResult::NotASwitchValue:
    case AssignmentResult::NotAnOption:
        Check(assignment.setting != nullptr);
        return 0;
    case AssignmentResult::AmbiguousNumber:
        Check(assignment.setting != nullptr &&
              assignment.setting->encoding == SettingEncoding::List);
        return 0;
    case AssignmentResult::Valid:
        break;
    default:
        std::abort();
    }

    const CSettingDef* def = assignment.setting;
    Check(def != nullptr);
    const bool isList = def->encoding == SettingEncoding::List;
    if (assignment.raw) {
        // "#N" that is no option: the word as it stands.
        Check(assignment.value >= 0 && assignment.value <= 0xFFFF);
    } else if (isList) {
        const std::vector<COption> options = store.GetOptions(def->id);
        Check(std::any_of(options.begin(), options.end(),
                          [&](const COption& option) { return option.value == assignment.value; }));
    } else {
        Check(assignment.value == 0 || assignment.value == 1);
    }
    // The same assignment written back as its ID and stored value.
    CSettingAssignment again;
    const std::string value = isList || assignment.raw ? "#" + std::to_string(assignment.value)
                                                       : std::to_string(assignment.value);
    Check(ParseAssignment(store, std::to_string(def->id) + "=" + value, again) ==
          AssignmentResult::Valid);
    Check(again.setting == def && again.value == assignment.value && again.raw == assignment.raw);

    CConfigStore::Image before{};
    std::copy_n(store.WorkingImage(), before.size(), before.begin());
    ApplyAssignment(store, assignment);
    if (isList || assignment.raw)
        Check(store.GetWord(def->id) == assignment.value);
    else
        Check(store.GetValue(def->id) == assignment.value);
    const CSettingDef* txLed = FindSetting(SettingId::kTxLed);
    for (std::size_t offset = 0; offset < before.size(); ++offset) {
        const bool own = offset == def->offset || offset == def->offset + 1;
        const bool followed = def->id == SettingId::kNoiseCancellation &&
                              (offset == txLed->offset || offset == txLed->offset + 1);
        Check(own || followed || store.WorkingImage()[offset] == before[offset]);
    }
    return 0;
}
