#include "core/ConfigStore.h"
#include "text/TextCatalog.h"

#include <gtest/gtest.h>

namespace {

using namespace SettingId;

class ConfigStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_texts.SelectLanguage("English"));
        m_store.Reset();
    }

    uint8_t& Byte(std::size_t offset) { return m_store.WorkingImage()[offset]; }
    void PutWord(std::size_t offset, uint16_t word)
    {
        Byte(offset) = static_cast<uint8_t>(word);
        Byte(offset + 1) = static_cast<uint8_t>(word >> 8);
    }
    std::vector<std::string> Texts(int id) const
    {
        std::vector<std::string> texts;
        for (const COption& option : m_store.GetOptions(id))
            texts.push_back(option.text);
        return texts;
    }

    CTextCatalog m_texts;
    CConfigStore m_store{&m_texts};
};

TEST_F(ConfigStoreTest, ResetMakesANewUnchangedConfiguration)
{
    EXPECT_EQ(Byte(0), 0xAA);
    EXPECT_EQ(Byte(1), 0xAA);
    for (std::size_t i = 2; i < CConfigStore::kImageSize; ++i)
        ASSERT_EQ(Byte(i), 0xFF) << i;
    EXPECT_FALSE(m_store.IsModified());
}

TEST_F(ConfigStoreTest, ModifiedComparesWithTheSavedCopyAndRefreshesTheTransferCopy)
{
    Byte(2000) = 0x12;
    EXPECT_TRUE(m_store.IsModified());
    Byte(2000) = 0xFF;
    EXPECT_FALSE(m_store.IsModified()) << "an undone change is no change";

    Byte(5) = 0x00;
    m_store.TransferCopy()[7] = 0x33;
    EXPECT_TRUE(m_store.IsModified());
    EXPECT_TRUE(std::equal(m_store.WorkingImage(),
                           m_store.WorkingImage() + CConfigStore::kImageSize,
                           m_store.TransferCopy()));

    // A load or read takes the transfer copy over and counts as unchanged.
    m_store.TransferCopy()[100] = 0x42;
    m_store.TransferToImage();
    m_store.ImageToSaved();
    EXPECT_EQ(Byte(100), 0x42);
    EXPECT_FALSE(m_store.IsModified());
}

TEST_F(ConfigStoreTest, NewConfigurationReadsItsFallbacks)
{
    EXPECT_EQ(m_store.GetValue(kNoiseCancellation), 1);
    EXPECT_EQ(m_store.GetValue(kHighSpeedFollow), 1);
    EXPECT_EQ(m_store.GetValue(kMicPosition), 1);
    EXPECT_EQ(m_store.GetValue(kLowNoiseLevel), 0);
    EXPECT_EQ(m_store.GetValue(kBatterySave), 0);
    EXPECT_EQ(m_store.GetValue(kSelfProgramming), 0);
    EXPECT_EQ(m_store.GetValue(kTestMode), 0);

    EXPECT_EQ(Texts(kAttenuationLevel)[m_store.GetValue(kAttenuationLevel)], "0dB");
    EXPECT_EQ(Texts(kPreset1)[m_store.GetValue(kPreset1)], "Normal");
    for (int id : {kPreset2, kPreset3, kPreset4, kPreset5})
        EXPECT_EQ(Texts(id)[m_store.GetValue(id)], "None");
    EXPECT_EQ(Texts(kTxLed)[m_store.GetValue(kTxLed)], "Normal");
    EXPECT_EQ(m_store.GetWord(kTxLed), 0xFFFF) << "fallbacks are shown, not written";
    EXPECT_EQ(m_store.GetValue(4242), 0);
}

TEST_F(ConfigStoreTest, SwitchFormsDecodeAndEncode)
{
    PutWord(2, 0x1234); // form A
    PutWord(4, 0x1234); // form B
    EXPECT_EQ(m_store.GetValue(kNoiseCancellation), 1);
    EXPECT_EQ(m_store.GetValue(kLowNoiseLevel), 0);
    PutWord(2, 0x0000);
    PutWord(4, 0x0000);
    EXPECT_EQ(m_store.GetValue(kNoiseCancellation), 0);
    EXPECT_EQ(m_store.GetValue(kLowNoiseLevel), 0);

    m_store.SetSwitch(kBatterySave, 1);
    EXPECT_EQ(Byte(12), 0x01);
    EXPECT_EQ(Byte(13), 0x00);
    m_store.SetSwitch(kBatterySave, 0);
    EXPECT_EQ(Byte(12), 0xFF);
    EXPECT_EQ(Byte(13), 0xFF);
    m_store.SetSwitch(kNoiseCancellation, 0);
    EXPECT_EQ(m_store.GetWord(kNoiseCancellation), 0x0000);
    m_store.SetSwitch(kNoiseCancellation, 1);
    EXPECT_EQ(m_store.GetWord(kNoiseCancellation), 0xFFFF);
    m_store.SetSwitch(kNoiseCancellation, 2);
    EXPECT_EQ(m_store.GetWord(kNoiseCancellation), 0xFFFF) << "other states write 0xFFFF";
    m_store.SetSwitch(kTestMode, 5);
    EXPECT_EQ(m_store.GetWord(kTestMode), 0xFFFF);

    m_store.SetSwitch(kTxLed, 1); // a list: ignored
    EXPECT_EQ(m_store.GetWord(kTxLed), 0xFFFF);
}

TEST_F(ConfigStoreTest, ListWordsCompareWholeAndWriteTheLowByte)
{
    m_store.SetListValue(kAttenuationLevel, 15);
    EXPECT_EQ(Byte(10), 0x0F);
    EXPECT_EQ(Byte(11), 0x00);
    EXPECT_EQ(Texts(kAttenuationLevel)[m_store.GetValue(kAttenuationLevel)], "+10dB");

    PutWord(10, 16);
    EXPECT_EQ(Texts(kAttenuationLevel)[m_store.GetValue(kAttenuationLevel)], "0dB");
    PutWord(10, 0x0105);
    EXPECT_EQ(m_store.GetValue(kAttenuationLevel), 10) << "the whole word is compared";

    m_store.SetListValue(kFrontMicSense, 0x0123);
    EXPECT_EQ(m_store.GetWord(kFrontMicSense), 0x0023);

    m_store.SetListValue(kNoiseCancellation, 3); // a switch: ignored
    EXPECT_EQ(m_store.GetWord(kNoiseCancellation), 0xFFFF);
}

TEST_F(ConfigStoreTest, OptionListsInTheirOrder)
{
    EXPECT_EQ(Texts(kPreset2), (std::vector<std::string>{
                                   "None", "Normal", "Siren Audible", "High Background Noise",
                                   "High-frequency Noise", "Low-frequency Noise", "* Edit Noise"}));
    EXPECT_EQ(Texts(kPreset1).front(), "Normal") << "preset 1 never offers None";
    EXPECT_EQ(Texts(kPreset1).size(), 6u);
    PutWord(14, 6);
    EXPECT_EQ(m_store.GetValue(kPreset1), 0);

    const std::vector<COption> levels = m_store.GetOptions(kRearMicSense);
    ASSERT_EQ(levels.size(), 16u);
    EXPECT_EQ(levels.front().text, "-20dB");
    EXPECT_EQ(levels[9].text, "-2dB");
    EXPECT_EQ(levels[11].text, "+2dB");
    for (int v = 0; v < 16; ++v)
        EXPECT_EQ(levels[v].value, v);

    EXPECT_EQ(Texts(kTxLed), (std::vector<std::string>{"Disable", "Normal", "Voice Recognition"}));
    EXPECT_EQ(m_store.GetOptions(kTxLed)[0].value, 2);
    EXPECT_TRUE(m_store.GetOptions(kBatterySave).empty());
}

TEST_F(ConfigStoreTest, TxLedFollowsNoiseCancellation)
{
    m_store.SetListValue(kTxLed, 1);
    EXPECT_EQ(m_store.GetValue(kTxLed), 2);

    // With noise cancellation off, "Voice Recognition" is not offered: the
    // word reads as "Normal" but stays until the follow-up runs.
    PutWord(2, 0x0000);
    EXPECT_EQ(Texts(kTxLed).size(), 2u);
    EXPECT_EQ(m_store.GetValue(kTxLed), 1);
    EXPECT_EQ(m_store.GetWord(kTxLed), 1);
    m_store.FollowTxLed();
    EXPECT_EQ(m_store.GetWord(kTxLed), 0);

    m_store.SetListValue(kTxLed, 2);
    m_store.FollowTxLed();
    EXPECT_EQ(m_store.GetWord(kTxLed), 2) << "only Voice Recognition falls back";
}

TEST_F(ConfigStoreTest, AvailabilityFollowsNoiseCancellationAndSelfProgramming)
{
    const int dependent[] = {kPreset1,     kSelfProgramming,  kLowNoiseLevel, kHighSpeedFollow,
                             kMicPosition, kAttenuationLevel, kBatterySave,   kPowerOnHint};
    for (int id : dependent)
        EXPECT_TRUE(m_store.IsAvailable(id)) << id;
    EXPECT_TRUE(m_store.IsPresetEditable(kPreset1));
    EXPECT_FALSE(m_store.IsPresetEditable(kPreset2)) << "self programming is off";

    m_store.SetSwitch(kSelfProgramming, 1);
    EXPECT_TRUE(m_store.IsPresetEditable(kPreset5));

    m_store.SetSwitch(kNoiseCancellation, 0);
    for (int id : dependent)
        EXPECT_FALSE(m_store.IsAvailable(id)) << id;
    for (int id : {kNoiseCancellation, kTxLed, kFrontMicSense, kRearMicSense, kTestMode, 1013, 0})
        EXPECT_TRUE(m_store.IsAvailable(id)) << id;
    EXPECT_FALSE(m_store.IsPresetEditable(kPreset1));
    EXPECT_FALSE(m_store.IsPresetEditable(kPreset3));
}

} // namespace
