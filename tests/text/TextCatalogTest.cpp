#include "text/TextCatalog.h"
#include "support/RecordingPresenter.h"
#include "text/MessageBoxes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class TempDir
{
public:
    TempDir()
        : m_path(fs::temp_directory_path() /
                 ("qzm-text-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
    {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TempDir() { fs::remove_all(m_path); }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

TEST(TextCatalog, LooksTextsUpByIdAfterLoading)
{
    CTextCatalog texts;
    EXPECT_STREQ(texts.GetText(1000), "") << "nothing before loading";
    ASSERT_TRUE(texts.SelectLanguage("English"));
    EXPECT_EQ(texts.LanguageNames(), std::vector<std::string>{"English"});
    EXPECT_EQ(texts.Status(), CTextCatalog::kStatusNone);

    EXPECT_STREQ(texts.GetText(0), " ");
    EXPECT_STREQ(texts.GetText(1014), " &Write");
    EXPECT_STREQ(texts.GetText(132), " Communication Port");
    for (int id : {1017, 10002004, 10003009, 32772})
        EXPECT_STREQ(texts.GetText(id), "&Help") << id;
    EXPECT_STREQ(texts.GetText(10026002), "Can not be opend.");
    EXPECT_STREQ(texts.GetText(1030), "(Power ON while \"PF1\")");
    EXPECT_STREQ(texts.GetText(10001112), "DEC");
    EXPECT_STREQ(texts.GetText(10025005), "");
    EXPECT_STREQ(texts.GetText(-5), "");
    EXPECT_GT(std::string(texts.GetText(10001005)).size(), 0u);
    EXPECT_GT(std::string(texts.GetText(10001006)).size(), 0u);
}

TEST(TextCatalog, UnknownLanguageFallsBackToTheFirstColumn)
{
    CTextCatalog texts;
    ASSERT_TRUE(texts.SelectLanguage("Klingon"));
    EXPECT_STREQ(texts.GetText(1000), "Noise Cancellation");
}

TEST(TextCatalog, IdDisplayModeShowsIdsAndWritesTheDump)
{
    TempDir dir;
    const char* argv[] = {"/usr/bin/qzm530rx", "--x", "_Qv"};
    CTextCatalog texts(3, argv);
    texts.SetDumpFolder(dir.Path().string());
    ASSERT_TRUE(texts.IsIdDisplayMode());
    ASSERT_TRUE(texts.SelectLanguage("English"));

    EXPECT_STREQ(texts.GetText(1000), "ID:1000");
    EXPECT_STREQ(texts.GetText(0), "ID:10000001");
    EXPECT_STREQ(texts.GetText(10025005), "") << "no entry, no label";

    // The dump: the header line, an empty line, then every entry in
    // ascending ID order, each line ended by CR LF.
    const CTextTable& table = BuiltinTextTable();
    std::map<int32_t, std::string> sorted;
    for (std::size_t i = 0; i < table.rowCount; ++i)
        sorted.emplace(table.rows[i].id, table.rows[i].text);
    std::string expected = ",English\r\n\r\n";
    for (const auto& [id, text] : sorted)
        expected += std::to_string(id) + "," + text + "\r\n";
    const std::string dump = ReadFile(dir.Path() / "LanguageAnalys.dump");
    EXPECT_EQ(dump, expected);
    const std::string head = ",English\r\n\r\n132, Communication Port\r\n146,Memory Map\r\n"
                             "1000,Noise Cancellation\r\n";
    const std::string tail = "\r\n11000013,None\r\n";
    EXPECT_EQ(dump.substr(0, head.size()), head);
    EXPECT_EQ(dump.substr(dump.size() - tail.size()), tail);
}

TEST(TextCatalog, NoDumpWithoutTheSwitch)
{
    TempDir dir;
    const char* argv[] = {"qzm530rx", "qv", "-_qv"};
    CTextCatalog texts(3, argv);
    texts.SetDumpFolder(dir.Path().string());
    ASSERT_TRUE(texts.SelectLanguage("English"));
    EXPECT_FALSE(texts.IsIdDisplayMode());
    EXPECT_FALSE(fs::exists(dir.Path() / "LanguageAnalys.dump"));
}

TEST(TextCatalog, MissingRequiredTextFailsAfterCheckingEveryId)
{
    const CTextRow rows[] = {{5, "first"}, {5, "second"}, {7, "seven"}};
    const int32_t required[] = {5, 6, 7, 8};
    const CTextTable table{rows, 3, required, 4};
    CRecordingPresenter presenter;
    CTextCatalog texts(table, 0, nullptr);
    texts.SetFailurePresenter(&presenter);
    EXPECT_FALSE(texts.SelectLanguage("English"));
    EXPECT_EQ(texts.Status(), CTextCatalog::kStatusMissingText);
    ASSERT_EQ(presenter.boxes.size(), 1u) << "reported once, after the whole list";
    EXPECT_EQ(presenter.boxes[0].title, "QZM-530RX");
    EXPECT_EQ(presenter.boxes[0].text,
              "Language file has been damaged.  Please install this software again.");
    EXPECT_EQ(presenter.boxes[0].style, MessageStyle::kIconStop);
    EXPECT_EQ(presenter.boxes[0].owner, nullptr);

    const int32_t none[] = {5};
    CTextCatalog good(CTextTable{rows, 3, none, 1}, 0, nullptr);
    ASSERT_TRUE(good.SelectLanguage("English"));
    EXPECT_STREQ(good.GetText(5), "first") << "the first text for an ID wins";
}

TEST(TextCatalog, BuiltinTableHoldsEveryRequiredText)
{
    const CTextTable& table = BuiltinTextTable();
    EXPECT_EQ(table.rowCount, 104u);
    EXPECT_EQ(table.requiredCount, 97u);
    EXPECT_EQ(table.rows[0].id, 10000001);
    EXPECT_EQ(table.rows[table.rowCount - 1].id, 32771);
}

class MessageBoxesTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_texts.SelectLanguage("English")); }
    const CRecordingPresenter::Box& Last() const { return m_presenter.boxes.back(); }

    CTextCatalog m_texts;
    CRecordingPresenter m_presenter;
    CMessageBoxes m_boxes{m_texts, &m_presenter};
};

TEST_F(MessageBoxesTest, KindsSetTitlesAndIcons)
{
    int owner = 0;
    m_boxes.ShowWarning(nullptr, "careful", 0,
                        MessageStyle::kOkCancel | MessageStyle::kDefaultButton2);
    EXPECT_EQ(Last().title, "Warning");
    EXPECT_EQ(Last().style, 0x131u);
    EXPECT_EQ(Last().owner, nullptr);

    m_boxes.ShowWarning(&owner, "careful", 10025004);
    EXPECT_EQ(Last().title, "Confirmation");
    EXPECT_EQ(Last().style, 0x30u);
    EXPECT_EQ(Last().owner, &owner);

    m_boxes.ShowErrorById(nullptr, 10026003);
    EXPECT_EQ(Last().title, "Error");
    EXPECT_EQ(Last().text, "The COM port cannot be opened.");
    EXPECT_EQ(Last().style, 0x10u);

    m_boxes.ShowMessageById(nullptr, 10026021, 0, MessageStyle::kIconInformation);
    EXPECT_EQ(Last().title, "QZM-530RX");
    m_boxes.ShowMessageById(nullptr, 10026021, 10026022, MessageStyle::kIconInformation);
    EXPECT_EQ(Last().title, "Read Data");
    EXPECT_EQ(Last().text, "Reading completed.");
    EXPECT_EQ(Last().style, 0x40u);
}

TEST_F(MessageBoxesTest, ReturnsTheAnswer)
{
    m_presenter.SetNextAnswer(MessageAnswer::kCancel);
    EXPECT_EQ(m_boxes.ShowMessageById(nullptr, 10026020, 10025004, 0x21), MessageAnswer::kCancel);
    EXPECT_EQ(m_boxes.ShowMessageById(nullptr, 10026020, 10025004, 0x21), MessageAnswer::kOk);
}

TEST(MessageBoxesIdMode, TitlesShowTheirLabelsButTheProductNameStays)
{
    const char* argv[] = {"_QV"};
    CTextCatalog texts(1, argv);
    texts.SetDumpFolder(fs::temp_directory_path().string());
    ASSERT_TRUE(texts.SelectLanguage("English"));
    CRecordingPresenter presenter;
    CMessageBoxes boxes(texts, &presenter);
    boxes.ShowError(nullptr, FormatText(texts.GetText(10026014), "x.dat"));
    EXPECT_EQ(presenter.boxes.back().title, "ID:10025001");
    EXPECT_EQ(presenter.boxes.back().text, "ID:10026014");
    boxes.ShowMessageById(nullptr, 10026021, 0, 0x40);
    EXPECT_EQ(presenter.boxes.back().title, "QZM-530RX");
    fs::remove(fs::temp_directory_path() / "LanguageAnalys.dump");
}

TEST(FormatText, FillsPlaceholdersAsPlainText)
{
    EXPECT_EQ(FormatText("The %s file cannot be opened.", "a%s.dat"),
              "The a%s.dat file cannot be opened.");
    EXPECT_EQ(FormatText("%s and %s", "1", "2"), "1 and 2");
    EXPECT_EQ(FormatText("100% %d", "x"), "100% %d");
}

} // namespace
