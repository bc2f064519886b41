#include "app/cli/CliSupport.h"
#include "core/Clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class CliFileCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("qzm-cli-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    int Run(std::vector<std::string> words)
    {
        words.insert(words.begin(), "qzm530rx-cli");
        m_out.str({});
        m_err.str({});
        std::istringstream in;
        return RunCli(words, in, m_out, m_err, m_clock);
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    std::string Bytes(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Copies data file `from` to `to` with one image byte changed, the key kept.
    void CopyWithImageByte(const std::string& from, const std::string& to, std::size_t offset,
                           uint8_t value) const
    {
        constexpr std::size_t kHeader = 64;
        constexpr std::size_t kKeyAt = kHeader + 50;
        std::string file = Bytes(from);
        const std::size_t at = kHeader + offset + (offset >= 50 ? 1 : 0);
        file[at] = static_cast<char>(value ^ static_cast<uint8_t>(file[kKeyAt]));
        std::ofstream(Path(to), std::ios::binary) << file;
    }

    fs::path m_dir;
    CFixedClock m_clock{12, 0, 0};
    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(CliFileCommandsTest, NewSetInfoAndDump)
{
    const std::string file = Path("x.dat");
    ASSERT_EQ(Run({"new", file}), 0) << m_err.str();
    ASSERT_EQ(Run({"set", file, "1006=15", "1007=on"}), 0) << m_err.str();

    ASSERT_EQ(Run({"info", file}), 0);
    const std::string info = m_out.str();
    EXPECT_NE(info.find("Product:  QZM-530RX"), std::string::npos);
    EXPECT_NE(info.find("Version:  V1.00"), std::string::npos);
    EXPECT_NE(info.find("Key:      0x01"), std::string::npos);
    EXPECT_NE(info.find("Noise Attenuation Level                     +10dB"), std::string::npos);
    EXPECT_NE(info.find("Battery Save                                on"), std::string::npos);
    EXPECT_NE(info.find("0x000F"), std::string::npos);
    EXPECT_LT(info.find("1000"), info.find("1003")) << "offset order";

    ASSERT_EQ(Run({"dump", file}), 0);
    const std::string dump = m_out.str();
    EXPECT_EQ(dump.substr(0, dump.find('\n')),
              "0000: AA AA FF FF FF FF FF FF FF FF 0F 00 01 00 FF FF");
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 144);
    EXPECT_NE(dump.find("\n08F0: FF"), std::string::npos);
}

TEST_F(CliFileCommandsTest, SetTakesTextsAndRefusesWithoutWriting)
{
    const std::string file = Path("x.dat");
    ASSERT_EQ(Run({"new", file}), 0);
    ASSERT_EQ(Run({"set", file, "1008=voice recognition", "1001=Siren Audible", "1009=-4dB"}), 0)
        << m_err.str();
    const std::string before = Bytes("x.dat");

    m_clock.Set(12, 30, 30); // a save now would change the key
    EXPECT_EQ(Run({"set", file, "1007=on", "4711=1"}), 1);
    EXPECT_NE(m_err.str().find("unknown setting ID"), std::string::npos);
    EXPECT_EQ(Run({"set", file, "1001=None"}), 1) << "preset 1 has no None";
    EXPECT_EQ(Run({"set", file, "1007=maybe"}), 1);
    EXPECT_EQ(Run({"set", file, "1006"}), 1);
    EXPECT_EQ(Bytes("x.dat"), before);

    // Switching noise cancellation off takes Voice Recognition back to Normal.
    ASSERT_EQ(Run({"set", file, "1000=off"}), 0);
    ASSERT_EQ(Run({"info", file}), 0);
    EXPECT_NE(m_out.str().find("TX LED                                      Normal"),
              std::string::npos);
    EXPECT_NE(m_out.str().find("Normal                  0x0000\n28"), std::string::npos)
        << m_out.str();
}

TEST_F(CliFileCommandsTest, DiffListsSettingsThenBytes)
{
    ASSERT_EQ(Run({"new", Path("a.dat")}), 0);
    ASSERT_EQ(Run({"new", Path("b.dat")}), 0);
    ASSERT_EQ(Run({"diff", Path("a.dat"), Path("b.dat")}), 0);
    EXPECT_EQ(m_out.str(), "The configurations are the same.\n");

    ASSERT_EQ(Run({"set", Path("b.dat"), "1011=on"}), 0);
    ASSERT_EQ(Run({"diff", Path("a.dat"), Path("b.dat")}), 0);
    EXPECT_EQ(m_out.str(), "* Test Mode: off (0xFFFF) -> on (0x0001)\n");

    // One image byte apart: each side of every edge of the settings words, around the
    // key, and the last byte of the image.
    const struct
    {
        std::size_t offset;
        const char* shown;
    } cases[] = {
        {0, "byte 0x0000: AA -> 00\n"},
        {1, "byte 0x0001: AA -> 00\n"},
        {2, "Noise Cancellation: on (0xFFFF) -> on (0xFF00)\n"},
        {32, "* Test Mode: off (0xFFFF) -> off (0xFF00)\n"},
        {33, "* Test Mode: off (0xFFFF) -> off (0x00FF)\n"},
        {34, "byte 0x0022: FF -> 00\n"},
        {49, "byte 0x0031: FF -> 00\n"},
        {50, "byte 0x0032: FF -> 00\n"},
        {2303, "byte 0x08FF: FF -> 00\n"},
    };
    for (const auto& c : cases) {
        CopyWithImageByte("a.dat", "c.dat", c.offset, 0x00);
        ASSERT_EQ(Run({"diff", Path("a.dat"), Path("c.dat")}), 0) << c.offset;
        EXPECT_EQ(m_out.str(), c.shown) << c.offset;
    }
}

TEST_F(CliFileCommandsTest, FailuresAndUsage)
{
    std::ofstream(Path("text.dat")) << "just some notes, not a configuration at all\n"
                                    << std::string(100, 'x');
    EXPECT_EQ(Run({"info", Path("text.dat")}), 1);
    EXPECT_EQ(m_err.str(), "The text.dat file cannot be opened.\n");
    EXPECT_EQ(Run({"info", Path("missing.dat")}), 1);
    EXPECT_EQ(m_err.str(), "Can not be opend.\n");
    EXPECT_EQ(Run({"new", Path("no/folder/x.dat")}), 1);
    EXPECT_FALSE(m_err.str().empty());

    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({"frobnicate"}), 2);
    EXPECT_EQ(Run({"info"}), 2);
    EXPECT_EQ(Run({"diff", "a"}), 2);
    EXPECT_EQ(Run({"info", "a", "--bogus"}), 2);
    EXPECT_EQ(Run({"set", "--help"}), 0);
    EXPECT_NE(m_out.str().find("usage: qzm530rx-cli set FILE ID=VALUE"), std::string::npos);
    EXPECT_EQ(Run({"--help", Path("x.dat")}), 0);
    EXPECT_EQ(Run({"info", "--help", Path("x.dat")}), 0) << "options may stand anywhere";
}

} // namespace
