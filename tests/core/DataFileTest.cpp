#include "core/DataFile.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "support/RecordingPresenter.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>
#ifdef __linux__
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// A data file as the layout describes it, built byte by byte.
Bytes BuildFile(const Bytes& image, uint8_t key, const char* product = "QZM-530RX",
                uint8_t type = 0x44, const char* version = "V1.00")
{
    Bytes file(64, 0xFF);
    for (std::size_t i = 0; i < 10; ++i)
        file[i] = 0x00;
    for (std::size_t i = 0; product[i] && i < 10; ++i)
        file[i] = static_cast<uint8_t>(product[i]);
    for (std::size_t i = 0; i < 5; ++i)
        file[10 + i] = static_cast<uint8_t>(version[i]);
    file[32] = type;
    for (std::size_t i = 0; i < 50; ++i)
        file.push_back(image[i] ^ key);
    file.push_back(key);
    for (std::size_t i = 50; i < 2304; ++i)
        file.push_back(image[i] ^ key);
    return file;
}

Bytes PatternImage()
{
    Bytes image(2304);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 7 + 3);
    return image;
}

class DataFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_texts.SelectLanguage("English"));
        m_dir =
            fs::temp_directory_path() /
            ("qzm-datafile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_store.Reset();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    void WriteBytes(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    Bytes ReadBytes(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void SetImage(const Bytes& image)
    {
        std::copy(image.begin(), image.end(), m_store.WorkingImage());
    }
    Bytes Transfer() const { return Bytes(m_store.TransferCopy(), m_store.TransferCopy() + 2304); }
    Bytes Working() const { return Bytes(m_store.WorkingImage(), m_store.WorkingImage() + 2304); }
    std::size_t FilesInDir() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), {}));
    }

    CTextCatalog m_texts;
    CConfigStore m_store{&m_texts};
    CFixedClock m_clock{10, 0, 0};
    fs::path m_dir;
};

TEST_F(DataFileTest, SaveWritesTheLayoutByteForByte)
{
    const Bytes image = PatternImage();
    SetImage(image);
    const Bytes savedBefore(m_store.SavedCopy(), m_store.SavedCopy() + 2304);

    std::error_code error;
    m_clock.Set(10, 0, 0);
    ASSERT_EQ(SaveDataFile(m_store, Path("a.dat"), m_clock, error), DataFile::kSaved);
    EXPECT_EQ(ReadBytes("a.dat"), BuildFile(image, 0x01));

    m_clock.Set(23, 59, 59);
    ASSERT_EQ(SaveDataFile(m_store, Path("b.dat"), m_clock, error), DataFile::kSaved);
    EXPECT_EQ(ReadBytes("b.dat"), BuildFile(image, 119));

    // The working image and saved copy stay; the transfer copy holds the scrambled bytes.
    EXPECT_EQ(Working(), image);
    EXPECT_EQ(Bytes(m_store.SavedCopy(), m_store.SavedCopy() + 2304), savedBefore);
    EXPECT_EQ(Transfer()[0], image[0] ^ 119);
    EXPECT_TRUE(m_store.IsModified());

    EXPECT_EQ(DataFileKey(1, 0), 2);
    EXPECT_EQ(DataFileKey(0, 1), 2);
}

TEST_F(DataFileTest, LoadUnscramblesAnyKeyAndIgnoresVersionAndTrailingBytes)
{
    const Bytes image = PatternImage();
    for (uint8_t key : {0x00, 0x01, 0x77, 0xFF}) {
        Bytes file = BuildFile(image, key, "QZM-530RX", 0x44, "V9.99");
        file.push_back(0x12); // beyond the end: ignored
        WriteBytes("k.dat", file);
        m_store.Reset();
        ForeignProductName foreign{};
        ASSERT_EQ(LoadDataFile(m_store, Path("k.dat"), foreign), DataFile::kLoaded) << int(key);
        EXPECT_EQ(Transfer(), image) << int(key);
        EXPECT_EQ(m_store.WorkingImage()[2], 0xFF) << "only the transfer copy is written";
    }

    // And what we save loads back.
    SetImage(image);
    std::error_code error;
    ASSERT_EQ(SaveDataFile(m_store, Path("round.dat"), m_clock, error), DataFile::kSaved);
    m_store.Reset();
    ForeignProductName foreign{};
    ASSERT_EQ(LoadDataFile(m_store, Path("round.dat"), foreign), DataFile::kLoaded);
    EXPECT_EQ(Transfer(), image);
}

TEST_F(DataFileTest, RefusedFilesLeaveTheWholeStoreUntouched)
{
    const Bytes image = PatternImage();
    const Bytes whole = BuildFile(image, 0x20);
    struct Case
    {
        const char* what;
        Bytes bytes;
        int result;
    };
    std::vector<Case> cases = {
        {"empty", {}, DataFile::kTooShort},
        {"shorter than the header", Bytes(whole.begin(), whole.begin() + 63), DataFile::kTooShort},
        {"header only", Bytes(whole.begin(), whole.begin() + 64), DataFile::kTooShort},
        {"one byte short", Bytes(whole.begin(), whole.end() - 1), DataFile::kTooShort},
        {"wrong type", BuildFile(image, 0x20, "QZM-530RX", 0x45), DataFile::kWrongType},
        {"sibling product", BuildFile(image, 0x20, "QZM-400"), DataFile::kOtherProduct},
    };
    Bytes shortForeign = BuildFile(image, 0, "OTHER");
    shortForeign.resize(100);
    cases.push_back({"short, foreign", shortForeign, DataFile::kOtherProduct});

    m_store.TransferCopy()[5] = 0x55;
    const Bytes transferBefore = Transfer();
    const Bytes workingBefore = Working();
    for (const Case& c : cases) {
        WriteBytes("x.dat", c.bytes);
        ForeignProductName foreign{};
        EXPECT_EQ(LoadDataFile(m_store, Path("x.dat"), foreign), c.result) << c.what;
        EXPECT_EQ(Transfer(), transferBefore) << c.what;
        EXPECT_EQ(Working(), workingBefore) << c.what;
    }
    ForeignProductName foreign{};
    EXPECT_EQ(LoadDataFile(m_store, Path("missing.dat"), foreign), DataFile::kCannotOpen);
}

TEST_F(DataFileTest, EveryByteOfTheProductNameCounts)
{
    const Bytes image = PatternImage();
    struct Case
    {
        const char* what;
        Bytes name; // header bytes 0 to 9
        const char* message;
    };
    const auto name = [](const char* text, uint8_t last) {
        Bytes bytes(text, text + 9);
        bytes.push_back(last);
        return bytes;
    };
    const std::vector<Case> cases = {
        {"tenth byte a letter", name("QZM-530RX", 'E'),
         "The e.dat file cannot be opened since it is configured for QZM-530RXE."},
        {"tenth byte 0xFF", name("QZM-530RX", 0xFF),
         "The e.dat file cannot be opened since it is configured for QZM-530RX."},
        {"first byte", name("RZM-530RX", 0x00), "The e.dat file cannot be opened."},
        {"ninth byte", name("QZM-530RY", 0x00),
         "The e.dat file cannot be opened since it is configured for QZM-530RY."},
    };
    for (const Case& c : cases) {
        Bytes file = BuildFile(image, 0x20);
        std::copy(c.name.begin(), c.name.end(), file.begin());
        WriteBytes("e.dat", file);
        ForeignProductName foreign{};
        ASSERT_EQ(LoadDataFile(m_store, Path("e.dat"), foreign), DataFile::kOtherProduct) << c.what;
        EXPECT_EQ(Bytes(foreign.begin(), foreign.end()), c.name) << c.what;
        EXPECT_EQ(LoadFailureText(m_texts, DataFile::kOtherProduct, "e.dat", foreign), c.message)
            << c.what;
    }

    // Only the name and the type are checked: every other header byte may hold anything.
    Bytes file = BuildFile(image, 0x20);
    for (std::size_t i = 10; i < 64; ++i)
        if (i != 32)
            file[i] = static_cast<uint8_t>(i);
    WriteBytes("e.dat", file);
    ForeignProductName foreign{};
    ASSERT_EQ(LoadDataFile(m_store, Path("e.dat"), foreign), DataFile::kLoaded);
    EXPECT_EQ(Transfer(), image);
}

TEST_F(DataFileTest, LoadFailureMessages)
{
    const auto text = [&](int result, const std::string& name, const char* product) {
        ForeignProductName foreign;
        foreign.fill(0xFF);
        for (std::size_t i = 0; product[i]; ++i)
            foreign[i] = static_cast<uint8_t>(product[i]);
        return LoadFailureText(m_texts, result, name, foreign);
    };
    EXPECT_EQ(text(DataFile::kCannotOpen, "a.dat", ""), "Can not be opend.");
    EXPECT_EQ(text(DataFile::kWrongType, "a.dat", ""), "Incorrect File Type.");
    EXPECT_EQ(text(DataFile::kTooShort, "a.dat", ""), "Incorrect File Type.");
    EXPECT_EQ(text(DataFile::kOtherProduct, "mic.dat", "QZM-400"),
              "The mic.dat file cannot be opened since it is configured for QZM-400.");
    EXPECT_EQ(text(DataFile::kOtherProduct, "notes.dat", "Hello wor"),
              "The notes.dat file cannot be opened.");
    EXPECT_EQ(text(DataFile::kOtherProduct, "x.dat", "qzm-1"), "The x.dat file cannot be opened.")
        << "the family name is matched case-sensitively";
    EXPECT_EQ(text(DataFile::kOtherProduct, "100%s%d.dat", "QZM%s"),
              "The 100%s%d.dat file cannot be opened since it is configured for QZM%s.")
        << "names are inserted as plain text";

    // The full ten bytes, without terminator, make the name.
    ForeignProductName full;
    for (std::size_t i = 0; i < full.size(); ++i)
        full[i] = static_cast<uint8_t>("QZM-ABCDEF"[i]);
    EXPECT_EQ(LoadFailureText(m_texts, DataFile::kOtherProduct, "f.dat", full),
              "The f.dat file cannot be opened since it is configured for QZM-ABCDEF.");

    CRecordingPresenter presenter;
    CMessageBoxes boxes(m_texts, &presenter);
    ReportLoadFailure(boxes, m_texts, nullptr, DataFile::kWrongType, "a.dat", full);
    ReportLoadFailure(boxes, m_texts, nullptr, DataFile::kLoaded, "a.dat", full);
    ASSERT_EQ(presenter.boxes.size(), 1u);
    EXPECT_EQ(presenter.boxes[0].title, "Error");
    EXPECT_EQ(presenter.boxes[0].style, MessageStyle::kIconStop);
}

TEST_F(DataFileTest, FailedSaveKeepsTheOldFileAndLeavesNothingBehind)
{
    const Bytes old = BuildFile(PatternImage(), 0x33);
    WriteBytes("keep.dat", old);
    std::error_code error;

    // A folder that does not exist: nothing can be created.
    EXPECT_EQ(SaveDataFile(m_store, Path("no/such/folder.dat"), m_clock, error),
              DataFile::kCannotCreate);
    EXPECT_TRUE(error);
    EXPECT_FALSE(error.message().empty());

    // A folder in place of the file.
    fs::create_directory(m_dir / "folder.dat");
    EXPECT_EQ(SaveDataFile(m_store, Path("folder.dat"), m_clock, error), DataFile::kCannotCreate);

#ifndef _WIN32
    // A FIFO stays a FIFO: a save would put a regular file in its place.
    ASSERT_EQ(mkfifo(Path("pipe.dat").c_str(), 0600), 0);
    EXPECT_EQ(SaveDataFile(m_store, Path("pipe.dat"), m_clock, error), DataFile::kCannotCreate);
    EXPECT_TRUE(fs::is_fifo(m_dir / "pipe.dat"));
    fs::remove(m_dir / "pipe.dat");
#endif

#ifdef __linux__
    // A write that fails half-way (the file size limit stands in for a full disk).
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 1000;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = SaveDataFile(m_store, Path("keep.dat"), m_clock, error);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(result, DataFile::kWriteFailed);
    EXPECT_TRUE(error);
#endif
    EXPECT_EQ(ReadBytes("keep.dat"), old);
    EXPECT_EQ(FilesInDir(), 2u) << "only keep.dat and folder.dat";

    // A good save replaces it.
    ASSERT_EQ(SaveDataFile(m_store, Path("keep.dat"), m_clock, error), DataFile::kSaved);
    EXPECT_EQ(ReadBytes("keep.dat").size(), 2369u);
    EXPECT_EQ(FilesInDir(), 2u);
}

#ifdef __linux__
// A new data file gets the mode any file the user makes gets (0666 less the
// umask), and a file that is saved again keeps its own.
TEST_F(DataFileTest, NewFilesTakeTheUmaskAndSavedFilesKeepTheirMode)
{
    const auto modeOf = [this](const std::string& name) {
        struct stat st
        {
        };
        return ::stat(Path(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 07777u;
    };
    std::error_code error;
    const mode_t saved = ::umask(0);
    for (const mode_t mask : {mode_t{022}, mode_t{027}, mode_t{002}}) {
        ::umask(mask);
        const std::string name = "new-" + std::to_string(mask) + ".dat";
        EXPECT_EQ(SaveDataFile(m_store, Path(name), m_clock, error), DataFile::kSaved);
        EXPECT_EQ(modeOf(name), 0666u & ~mask) << "umask " << std::oct << mask;
    }
    ::umask(022);
    const std::string again = "again.dat";
    ASSERT_EQ(SaveDataFile(m_store, Path(again), m_clock, error), DataFile::kSaved);
    ASSERT_EQ(::chmod(Path(again).c_str(), 0600), 0);
    EXPECT_EQ(SaveDataFile(m_store, Path(again), m_clock, error), DataFile::kSaved);
    EXPECT_EQ(modeOf(again), 0600u) << "replaced, its mode kept";
    ::umask(saved);
}
#endif

TEST(DataFileName, ExtensionTest)
{
    for (const char* name : {"a.dat", "A.DAT", "x.Dat", "setup.data", "dir.x/a.dat", ".dat"})
        EXPECT_TRUE(IsDataFileName(name)) << name;
    for (const char* name : {"a.txt", "noext", "a.dat.txt", "setup.", "a.da", ""})
        EXPECT_FALSE(IsDataFileName(name)) << name;
}

} // namespace
