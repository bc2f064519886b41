// Profiles: a configuration's settings as text and back, word for word.
#include "core/SettingsProfile.h"
#include "core/ConfigStore.h"
#include "core/SettingText.h"
#include "core/SettingsLayout.h"
#include "text/TextCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

namespace {

class SettingsProfileTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_texts.SelectLanguage("English")); }
    CConfigStore NewStore() const
    {
        CConfigStore store(&m_texts);
        store.Reset();
        return store;
    }
    // The profile of `from` applied to a new configuration gives its words.
    void ExpectRoundTrip(const CConfigStore& from, const std::string& what)
    {
        CConfigStore to = NewStore();
        std::vector<CProfileProblem> problems;
        const std::string text = ProfileText(from, "a.dat");
        ASSERT_TRUE(ApplyProfile(to, text, problems)) << what << "\n" << text;
        for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def)
            EXPECT_EQ(to.GetWord(def->id), from.GetWord(def->id))
                << what << ": " << def->label << "\n"
                << text;
    }
    // The profile of `from` applied to a new configuration gives its image.
    void ExpectWholeImage(const CConfigStore& from, const std::string& text,
                          const std::string& what)
    {
        CConfigStore to = NewStore();
        std::vector<CProfileProblem> problems;
        ASSERT_TRUE(ApplyProfile(to, text, problems)) << what << "\n" << text;
        const auto mismatch = std::mismatch(
            from.WorkingImage(), from.WorkingImage() + CConfigStore::kImageSize, to.WorkingImage());
        EXPECT_EQ(mismatch.first - from.WorkingImage(),
                  static_cast<std::ptrdiff_t>(CConfigStore::kImageSize))
            << what << ": first differing byte\n"
            << text;
    }
    CTextCatalog m_texts;
};

TEST_F(SettingsProfileTest, EveryOptionOfEverySettingComesBackWordForWord)
{
    for (const int noiseCancellation : {1, 0}) {
        for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def) {
            CConfigStore store = NewStore();
            store.SetSwitch(SettingId::kNoiseCancellation, noiseCancellation);
            if (def->encoding != SettingEncoding::List) {
                for (const int state : {0, 1}) {
                    store.SetSwitch(def->id, state);
                    ExpectRoundTrip(store, std::string(def->label) + " " + std::to_string(state));
                }
                continue;
            }
            for (const COption& option : store.GetOptions(def->id)) {
                store.SetListValue(def->id, option.value);
                ExpectRoundTrip(store, std::string(def->label) + " = " + option.text);
            }
        }
    }
}

TEST_F(SettingsProfileTest, WordsThatAreNoOptionGoAsTheirNumber)
{
    // A new file holds 0xFFFF everywhere; other words no text gives back.
    CConfigStore store = NewStore();
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def)
        store.SetWord(def->id, static_cast<uint16_t>(0x1234 + def->id));
    const std::string text = ProfileText(store, "odd.dat");
    EXPECT_NE(text.find("Noise Attenuation Level = #" +
                        std::to_string(0x1234 + SettingId::kAttenuationLevel) + "  # 1006\n"),
              std::string::npos)
        << text;
    ExpectRoundTrip(store, "every word odd");
    ExpectRoundTrip(NewStore(), "a new file");

    // With noise cancellation off, Voice Recognition is no option: the
    // profile gives it as its word, and the TX LED rule must not turn that
    // word into Normal on the way back.
    CConfigStore off = NewStore();
    off.SetSwitch(SettingId::kNoiseCancellation, 0);
    off.SetWord(SettingId::kTxLed, 1);
    EXPECT_NE(ProfileText(off, "off.dat").find("TX LED = #1  # 1008\n"), std::string::npos);
    ExpectRoundTrip(off, "noise cancellation off, Voice Recognition as #1");
}

TEST_F(SettingsProfileTest, TheOrderOfTheLinesDoesNotMatterAndRulesComeLast)
{
    // Voice Recognition is offered only with noise cancellation on; the
    // lines name it before they switch noise cancellation on, and the
    // other order switches it off after: the rule turns it to Normal.
    CConfigStore store = NewStore();
    store.SetSwitch(SettingId::kNoiseCancellation, 0);
    std::vector<CProfileProblem> problems;
    ASSERT_TRUE(
        ApplyProfile(store, "TX LED = Voice Recognition\nNoise Cancellation = on\n", problems));
    CConfigStore other = NewStore();
    other.SetSwitch(SettingId::kNoiseCancellation, 0);
    ASSERT_TRUE(
        ApplyProfile(other, "Noise Cancellation = on\ntx led = voice recognition\n", problems));
    EXPECT_EQ(store.GetWord(SettingId::kTxLed), other.GetWord(SettingId::kTxLed));
    EXPECT_EQ(DisplayValue(store, *FindSetting(SettingId::kTxLed)), "Voice Recognition");

    // A profile that switches it off cannot name Voice Recognition.
    EXPECT_FALSE(
        ApplyProfile(store, "TX LED = Voice Recognition\nNoise Cancellation = off\n", problems));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 1);
    EXPECT_EQ(problems[0].result, AssignmentResult::NotAnOption);
    // Switched off, a TX LED given by its text follows the rule.
    ASSERT_TRUE(ApplyProfile(store, "Noise Cancellation = off\n", problems));
    EXPECT_EQ(DisplayValue(store, *FindSetting(SettingId::kTxLed)), "Normal");
}

TEST_F(SettingsProfileTest, RefusedLinesAreNamedAndNothingIsApplied)
{
    CConfigStore store = NewStore();
    const uint16_t before = store.GetWord(SettingId::kBatterySave);
    const std::string text = "# a comment\n"
                             "Battery Save = on   # 1007\n"
                             "Colour = red\n"
                             "\n"
                             "1007 = off\n"
                             "Noise Attenuation Level = 10\n"
                             "no assignment\r\n";
    std::vector<CProfileProblem> problems;
    EXPECT_FALSE(ApplyProfile(store, text, problems));
    EXPECT_EQ(store.GetWord(SettingId::kBatterySave), before) << "nothing applied";
    struct CWant
    {
        int line;
        AssignmentResult result;
        int repeats;
    };
    const CWant wanted[] = {{3, AssignmentResult::UnknownSetting, 0},
                            {5, AssignmentResult::Valid, 2},
                            {6, AssignmentResult::AmbiguousNumber, 0},
                            {7, AssignmentResult::NotAnAssignment, 0}};
    ASSERT_EQ(problems.size(), std::size(wanted));
    for (std::size_t i = 0; i < problems.size(); ++i) {
        EXPECT_EQ(problems[i].line, wanted[i].line) << i;
        EXPECT_EQ(problems[i].result, wanted[i].result) << i;
        EXPECT_EQ(problems[i].repeats, wanted[i].repeats) << i;
    }
}

// Random images, wholly random or a new one with a few settings and bytes
// changed: the profile gives each back byte for byte, also as a text editor
// saves it, with a byte order mark and CRLF line ends.
TEST_F(SettingsProfileTest, AProfileGivesTheWholeImageBack)
{
    std::mt19937 random(35);
    for (int round = 0; round < 200; ++round) {
        CConfigStore store = NewStore();
        uint8_t* image = store.WorkingImage();
        if (round % 2 == 0)
            for (std::size_t i = 0; i < CConfigStore::kImageSize; ++i)
                image[i] = static_cast<uint8_t>(random());
        else
            for (int n = static_cast<int>(random() % 12); n > 0; --n)
                image[random() % CConfigStore::kImageSize] = static_cast<uint8_t>(random());
        std::string text = ProfileText(store, "random.dat");
        ExpectWholeImage(store, text, "round " + std::to_string(round));
        if (round < 10) {
            std::string edited = "\xEF\xBB\xBF";
            for (const char c : text)
                edited += c == '\n' ? std::string("\r\n") : std::string(1, c);
            ExpectWholeImage(store, edited, "BOM and CRLF, round " + std::to_string(round));
        }
    }
    // A new configuration needs no bytes, and names its unset words so.
    const std::string fresh = ProfileText(NewStore(), "new.dat");
    EXPECT_EQ(fresh.find('@'), std::string::npos) << fresh;
    EXPECT_NE(fresh.find("Noise Attenuation Level = unset  # 1006, reads as 0dB\n"),
              std::string::npos)
        << fresh;
}

TEST_F(SettingsProfileTest, LinesOfBytesAreRefusedWhereTheyCannotApply)
{
    const struct
    {
        const char* line;
        ByteLineFault fault;
        std::size_t offset;
    } cases[] = {
        {"@0x0040 = 12 3", ByteLineFault::kNotHex, 0},
        {"@0x0040 = 1234", ByteLineFault::kNotHex, 0},
        {"@0x0040 = 12 zz", ByteLineFault::kNotHex, 0},
        {"@0x0040 =", ByteLineFault::kNotHex, 0},
        {"@forty = 12", ByteLineFault::kNotHex, 0},
        {"@0x08FF = 12 34", ByteLineFault::kOutside, 0x08FF},
        {"@0x10000 = 12", ByteLineFault::kNotHex, 0},
        {"@0x0000 = AA AA 12", ByteLineFault::kNamed, 0x0002},
    };
    for (const auto& c : cases) {
        CConfigStore store = NewStore();
        const CConfigStore before = store;
        std::vector<CProfileProblem> problems;
        EXPECT_FALSE(ApplyProfile(store, std::string("@0x0100 = 01\n") + c.line, problems))
            << c.line;
        ASSERT_EQ(problems.size(), 1u) << c.line;
        EXPECT_EQ(problems[0].line, 2) << c.line;
        EXPECT_EQ(problems[0].bytes, c.fault) << c.line;
        EXPECT_EQ(problems[0].offset, c.offset) << c.line;
        EXPECT_TRUE(std::equal(before.WorkingImage(),
                               before.WorkingImage() + CConfigStore::kImageSize,
                               store.WorkingImage()))
            << c.line << ": a good line was applied beside a refused one";
    }
    CConfigStore store = NewStore();
    std::vector<CProfileProblem> problems;
    ASSERT_TRUE(ApplyProfile(store, "@0x08fe = ab Cd  # the last two\n", problems));
    EXPECT_EQ(store.WorkingImage()[0x08FE], 0xAB);
    EXPECT_EQ(store.WorkingImage()[0x08FF], 0xCD);
}

} // namespace
