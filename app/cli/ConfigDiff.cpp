#include "app/cli/ConfigDiff.h"

#include "app/cli/CliSupport.h"
#include "app/cli/JsonOutput.h"

#include "core/ConfigStore.h"
#include "core/SettingAssignment.h"
#include "core/SettingsLayout.h"
#include "text/TextCatalog.h"

#include <QJsonArray>

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace {

// Up to this many other bytes are named by their offsets.
constexpr std::size_t kOffsetsNamed = 8;

} // namespace

std::string HexText(unsigned value, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

namespace {

bool IsAnOption(const CConfigStore& store, const CSettingDef& def)
{
    if (def.encoding != SettingEncoding::List)
        return true;
    const uint16_t word = store.GetWord(def.id);
    const std::vector<COption> options = store.GetOptions(def.id);
    return std::any_of(options.begin(), options.end(),
                       [word](const COption& option) { return option.value == word; });
}

// "+10dB (0x000F)"; a word that is none of the options says so beside it,
// "0dB (0xFFFF, not an option)", for the shown value is only its fallback.
std::string ValueWithWord(const CConfigStore& store, const CSettingDef& def)
{
    return DisplayValue(store, def) + " (0x" + HexText(store.GetWord(def.id), 4) +
           (IsAnOption(store, def) ? ")" : ", not an option)");
}

} // namespace

std::string ShownValue(const CConfigStore& store, const CSettingDef& def)
{
    const std::string shown = DisplayValue(store, def);
    if (IsAnOption(store, def))
        return shown;
    if (def.encoding == SettingEncoding::List && store.GetWord(def.id) == kUnsetWord)
        return std::string(kUnsetText) + " (reads as " + shown + ")";
    return "#" + std::to_string(store.GetWord(def.id)) + ", not an option (shown as " + shown + ")";
}

CConfigDiff DiffConfigurations(const CConfigStore& a, const CConfigStore& b)
{
    CConfigDiff diff;
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def)
        if (a.GetWord(def->id) != b.GetWord(def->id))
            diff.settings.push_back(def);
    // The bytes outside the settings words; the settings area is compared above.
    const uint8_t* left = a.WorkingImage();
    const uint8_t* right = b.WorkingImage();
    for (std::size_t offset = 0; offset < CConfigStore::kImageSize; ++offset) {
        const bool inSettings = offset >= kFirstSettingOffset && offset < kSettingsAreaSize;
        if (!inSettings && left[offset] != right[offset])
            diff.bytes.push_back(offset);
    }
    return diff;
}

void PrintSettingLines(std::ostream& out, const CConfigStore& a, const CConfigStore& b,
                       const CConfigDiff& diff)
{
    for (const CSettingDef* def : diff.settings) {
        out << def->label << ": " << ValueWithWord(a, *def) << " -> " << ValueWithWord(b, *def)
            << "\n";
    }
}

void PrintOtherBytesLine(std::ostream& out, const CConfigDiff& diff)
{
    if (diff.bytes.empty())
        return;
    const std::size_t count = diff.bytes.size();
    out << count << (count == 1 ? " other byte differs" : " other bytes differ");
    if (count <= kOffsetsNamed) {
        out << " (at";
        for (std::size_t i = 0; i < count; ++i)
            out << (i == 0 ? " " : ", ") << "0x"
                << HexText(static_cast<unsigned>(diff.bytes[i]), 4);
        out << ")";
    }
    out << ".\n";
}

QJsonObject DiffJson(const CConfigStore& a, const CConfigStore& b, const CConfigDiff& diff)
{
    const auto side = [](const CConfigStore& store, const CSettingDef& def) {
        return QJsonObject{{"value", JsonText(DisplayValue(store, def))},
                           {"word", store.GetWord(def.id)}};
    };
    QJsonArray settings;
    for (const CSettingDef* def : diff.settings) {
        settings.append(QJsonObject{{"id", def->id},
                                    {"label", JsonText(def->label)},
                                    {"a", side(a, *def)},
                                    {"b", side(b, *def)}});
    }
    QJsonArray bytes;
    for (const std::size_t offset : diff.bytes) {
        bytes.append(QJsonObject{{"offset", static_cast<int>(offset)},
                                 {"a", a.WorkingImage()[offset]},
                                 {"b", b.WorkingImage()[offset]}});
    }
    return QJsonObject{{"same", diff.Same()}, {"settings", settings}, {"bytes", bytes}};
}

void PrintMicrophoneDiff(CCliContext& context, const MicImage& image, const char* same)
{
    CConfigStore microphone(&context.texts);
    std::copy(image.begin(), image.end(), microphone.WorkingImage());
    const CConfigDiff diff = DiffConfigurations(microphone, context.store);
    PrintSettingLines(context.out, microphone, context.store, diff);
    PrintOtherBytesLine(context.out, diff);
    if (diff.Same() && *same != '\0')
        context.out << same << "\n";
    context.out << std::flush;
}

void AddMicrophoneDiff(CCliContext& context, const MicImage& image, QJsonObject& json)
{
    CConfigStore microphone(&context.texts);
    std::copy(image.begin(), image.end(), microphone.WorkingImage());
    const QJsonObject body =
        DiffJson(microphone, context.store, DiffConfigurations(microphone, context.store));
    for (auto it = body.begin(); it != body.end(); ++it)
        json.insert(it.key(), it.value());
}
