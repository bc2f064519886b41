#include "CliRig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "core/SettingAssignment.h"
#include "core/SettingsLayout.h"
#include "job/LogLayout.h"
#include "job/ShopRecord.h"
#include "text/TextCatalog.h"
#include "words/RecordWords.h"

#include <cctype>
#include <cstdint>

#ifndef _WIN32
#include "support/FifoWatchdog.h"

#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

class CliFileCommandsTest : public CCliTest
{
protected:
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
};

TEST_F(CliFileCommandsTest, NewSetInfoAndDump)
{
    const std::string file = Path("x.dat");
    ASSERT_EQ(Run({"new", file}), 0) << m_err.str();
    ASSERT_EQ(Run({"set", file, "1006=#15", "battery save=on"}), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), "Noise Attenuation Level (1006): unset (reads as 0dB) "
                           "-> +10dB\nBattery Save (1007): off -> on\n")
        << "each change echoed, the word of a new file named as unset";
    // A word that is neither an option nor unset is said as the word it is.
    CopyWithImageByte("x.dat", "odd.dat", 10, 0x77);
    ASSERT_EQ(Run({"set", Path("odd.dat"), "1006=+10dB"}), 0) << m_err.str();
    EXPECT_EQ(m_out.str().rfind("Noise Attenuation Level (1006): #", 0), 0u) << m_out.str();
    EXPECT_NE(m_out.str().find(", not an option (shown as "), std::string::npos) << m_out.str();

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
    EXPECT_NE(m_err.str().find("'qzm530rx-cli info " + file + "' lists the settings"),
              std::string::npos)
        << m_err.str();
    EXPECT_EQ(Run({"set", file, "1006=10"}), 1) << "a bare number on a list of levels";
    EXPECT_NE(m_err.str().find("#10 is 0dB; did you mean +10dB?"), std::string::npos)
        << m_err.str();
    EXPECT_EQ(Run({"set", file, "1001=None"}), 1) << "preset 1 has no None";
    EXPECT_EQ(Run({"set", file, "1007=maybe"}), 1);
    EXPECT_EQ(Run({"set", file, "1006"}), 1);
    EXPECT_TRUE(Bytes("x.dat") == before) << "the file was rewritten";

    // Switching noise cancellation off takes Voice Recognition back to Normal.
    ASSERT_EQ(Run({"set", file, "1000=off"}), 0);
    ASSERT_EQ(Run({"info", file}), 0);
    EXPECT_NE(m_out.str().find("TX LED                                      Normal"),
              std::string::npos);
    EXPECT_NE(m_out.str().find("Normal                  0x0000\n28"), std::string::npos)
        << m_out.str();
}

// Numbers in assignments are decimal with leading zeros allowed, or hex
// after 0x, with blanks around them ignored, as "set --help" says; anything
// after the digits makes a value a text, and a sign is part of a text.
TEST_F(CliFileCommandsTest, AssignmentNumbersFollowOneRule)
{
    using namespace SettingId;
    const std::string file = Path("x.dat");
    ASSERT_EQ(Run({"new", file}), 0);
    ASSERT_EQ(Run({"set", "--help"}), 0);
    EXPECT_NE(m_out.str().find("leading\nzeros allowed"), std::string::npos);
    EXPECT_NE(m_out.str().find("hexadecimal after 0x (#0x0F is #15)"), std::string::npos);

    const struct
    {
        const char* assignment;
        int id;
        uint16_t word;
    } taken[] = {
        {"1006=#010", kAttenuationLevel, 0x000A},
        {"1006=#0010", kAttenuationLevel, 0x000A},
        {"1006=#08", kAttenuationLevel, 0x0008},
        {"1006=#0x0F", kAttenuationLevel, 0x000F},
        {"1006=#0X0a", kAttenuationLevel, 0x000A},
        {"1006= #15", kAttenuationLevel, 0x000F},
        {"1006=#15 ", kAttenuationLevel, 0x000F},
        {"1006=\t#3\t", kAttenuationLevel, 0x0003},
        {"1001=2", kPreset1, 0x0002},
        {"effect preset 1=#3", kPreset1, 0x0003},
        {"1006=+10dB", kAttenuationLevel, 0x000F},
        {"1009=-4dB", kFrontMicSense, 0x0008},
        {"1010=+2dB", kRearMicSense, 0x000B},
        {" 01010 =-20DB", kRearMicSense, 0x0000},
        {"1007=01", kBatterySave, 0x0001},
        {"1007= off ", kBatterySave, 0xFFFF},
        {"1007=ON", kBatterySave, 0x0001},
        {"1007=Off", kBatterySave, 0xFFFF},
        {"1007=oN", kBatterySave, 0x0001},
        {"1007=OFF", kBatterySave, 0xFFFF},
    };
    for (const auto& c : taken) {
        EXPECT_EQ(Run({"set", file, c.assignment}), 0) << c.assignment << "\n" << m_err.str();
        EXPECT_EQ(StoredWord("x.dat", c.id), c.word) << c.assignment;
    }

    ASSERT_EQ(Run({"set", file, "1006=0dB"}), 0);
    const std::string before = Bytes("x.dat");
    m_clock.Set(12, 30, 30); // a save now would change the key
    for (const char* refused :
         {"1006=017",   "1006=10",   "1006=#16", "1006=#",  "Noise Attenuation=+10dB",
          "1006=15x",   "1006=1 5",  "1006=+10", "1006=-4", "1006=+15",
          "1006=0x",    "1006=0x0G", "1006=1e1", "1006=",   "1006=99999999999999999999",
          "1006=10dBx", "1007=2",    "1007=onx", "1007=+1", "1006x=15",
          "+1006=15",   "1006=a",    "1006=A",   "1006=0a", "1006=1f",
          "100a=15"}) {
        EXPECT_EQ(Run({"set", file, refused}), 1) << refused;
        EXPECT_NE(m_err.str().find("Nothing was written."), std::string::npos) << refused;
    }
    EXPECT_TRUE(Bytes("x.dat") == before) << "the file was rewritten";

    // The same rule for the seconds of a wait.
    for (const char* refused : {"1a", "a", "0a", "1 5", "-1", "+1", "3601", "0x"}) {
        EXPECT_EQ(Run({"write", "--port", Path("no-port"), file, "--verify-wait", refused}),
                  CliExit::kUsage)
            << refused;
        EXPECT_NE(m_err.str().find("--verify-wait takes seconds"), std::string::npos) << refused;
    }
}

// Every option of every list, as offered with noise cancellation on and
// off, by its text in any letter case (blanks around it) and by its value:
// each stores exactly that option's value as the setting's word.
TEST(SettingAssignmentTest, EveryOfferedOptionByTextAndByValue)
{
    CTextCatalog texts;
    ASSERT_TRUE(texts.SelectLanguage("English"));
    const auto upper = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    };
    std::size_t checked = 0;
    for (const char* noiseCancellation : {"1000=on", "1000=off"}) {
        CConfigStore store(&texts);
        store.Reset();
        CSettingAssignment assignment;
        ASSERT_EQ(ParseAssignment(store, noiseCancellation, assignment), AssignmentResult::Valid);
        ApplyAssignment(store, assignment);
        for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def) {
            if (def->encoding != SettingEncoding::List)
                continue;
            const std::string id = std::to_string(def->id);
            const std::vector<COption> options = store.GetOptions(def->id);
            ASSERT_FALSE(options.empty()) << id;
            for (const COption& option : options) {
                for (const std::string& value :
                     {option.text, upper(option.text), " " + option.text + "\t",
                      "#" + std::to_string(option.value)}) {
                    const std::string text = id + "=" + value;
                    ASSERT_EQ(ParseAssignment(store, text, assignment), AssignmentResult::Valid)
                        << text << " (" << noiseCancellation << ")";
                    EXPECT_EQ(assignment.value, option.value) << text;
                    ApplyAssignment(store, assignment);
                    EXPECT_EQ(store.GetWord(def->id), option.value) << text;
                    ++checked;
                }
            }
        }
    }
    // Three level lists of 16, five presets (6 + 4 * 7), TX LED 3 + 2.
    EXPECT_EQ(checked, 4u * 2 * (3 * 16 + 6 + 4 * 7) + 4u * (3 + 2));

    CConfigStore store(&texts);
    store.Reset();
    CSettingAssignment assignment;
    EXPECT_EQ(ParseAssignment(store, "1001=None", assignment), AssignmentResult::NotAnOption)
        << "preset 1 offers no None";
    store.SetSwitch(SettingId::kNoiseCancellation, 0);
    EXPECT_EQ(ParseAssignment(store, "1008=Voice Recognition", assignment),
              AssignmentResult::NotAnOption)
        << "only with noise cancellation on";
    EXPECT_EQ(ParseAssignment(store, "1008=Voice", assignment), AssignmentResult::NotAnOption);
    EXPECT_EQ(ParseAssignment(store, "1006=+10dB and more", assignment),
              AssignmentResult::NotAnOption);
}

TEST_F(CliFileCommandsTest, DiffListsSettingsThenBytes)
{
    ASSERT_EQ(Run({"new", Path("a.dat")}), 0);
    ASSERT_EQ(Run({"new", Path("b.dat")}), 0);
    ASSERT_EQ(Run({"diff", Path("a.dat"), Path("b.dat")}), 0);
    EXPECT_EQ(m_out.str(), "The configurations are the same.\n");

    ASSERT_EQ(Run({"set", Path("b.dat"), "1011=on"}), 0);
    ASSERT_EQ(Run({"diff", Path("a.dat"), Path("b.dat")}), CliExit::kHoldsOther)
        << "differing files exit 4, as verify does";
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
        ASSERT_EQ(Run({"diff", Path("a.dat"), Path("c.dat")}), CliExit::kHoldsOther) << c.offset;
        EXPECT_EQ(m_out.str(), c.shown) << c.offset;
    }
}

#ifndef _WIN32
// A FIFO is no data file: every command that reads one refuses it at once,
// whether or not a writer holds it open, and leaves it a FIFO.
TEST_F(CliFileCommandsTest, FifoIsRefusedAtOnce)
{
    ASSERT_EQ(Run({"new", Path("a.dat")}), 0);
    for (const bool holdWriter : {false, true}) {
        const std::string fifo = Path("p.dat");
        CFifoWatchdog watchdog(fifo, holdWriter);
        ASSERT_TRUE(watchdog.Made());
        const std::vector<std::vector<std::string>> commands = {
            {"info", fifo},
            {"dump", fifo},
            {"set", fifo, "1007=on"},
            {"diff", Path("a.dat"), fifo},
            {"diff", fifo, Path("a.dat")},
            {"write", "--port", "/dev/null", fifo, "--yes"}};
        for (const auto& command : commands) {
            EXPECT_EQ(Run(command), 1) << command[0] << " writer " << holdWriter;
            EXPECT_EQ(m_err.str(), fifo + ": not a regular file\n")
                << command[0] << " writer " << holdWriter;
        }
        EXPECT_FALSE(watchdog.Fired()) << "a command waited on the FIFO";
        struct stat st
        {
        };
        ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    }
}
#endif

// A name as long as the folder allows is saved, loaded and replaced: the
// save's temporary file never has a longer name than its target.
TEST_F(CliFileCommandsTest, LongestNamesSaveLoadAndReplace)
{
    constexpr std::size_t kNameLength = 250;
    const std::string name = std::string(kNameLength - 4, 'L') + ".dat";
    const std::string file = Path(name);
    ASSERT_EQ(Run({"new", file}), 0) << m_err.str();
    ASSERT_EQ(Run({"info", file}), 0) << m_err.str();
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(Run({"set", file, "1006=+10dB"}), 0) << m_err.str();
    EXPECT_EQ(StoredWord(name, SettingId::kAttenuationLevel), 0x000F);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{name}) << "no temporary file left behind";
}

// "set FILE" without an assignment is a usage error and writes nothing.
TEST_F(CliFileCommandsTest, SetWithoutAssignmentIsAUsageError)
{
    ASSERT_EQ(Run({"new", Path("x.dat")}), 0);
    const std::string before = Bytes("x.dat");
    m_clock.Set(12, 30, 30); // a save now would change the key
    EXPECT_EQ(Run({"set", Path("x.dat")}), 2);
    EXPECT_NE(m_err.str().find("Usage: qzm530rx-cli set FILE SETTING=VALUE"), std::string::npos);
    EXPECT_TRUE(Bytes("x.dat") == before) << "the file was rewritten";
}

TEST_F(CliFileCommandsTest, FailuresAndUsage)
{
    std::ofstream(Path("text.dat")) << "just some notes, not a configuration at all\n"
                                    << std::string(100, 'x');
    // The file and the reason, for each way a data file fails to load.
    std::ofstream(Path("short.dat")) << "QZM-530RX";
    fs::create_directories(Path("folder.dat"));
    // A sibling product's file is named as the desktop program names it,
    // unless its name would put control characters on the terminal.
    ASSERT_EQ(Run({"new", Path("own.dat")}), 0);
    for (const auto& [file, name] : {std::pair<std::string, std::string>{"sibling.dat", "QZM-400"},
                                     {"escape.dat", "QZM\x1b[2J"}}) {
        std::string bytes = Bytes("own.dat");
        std::fill_n(bytes.begin(), 10, '\0');
        std::copy(name.begin(), name.end(), bytes.begin());
        std::ofstream(Path(file), std::ios::binary) << bytes;
    }
    const struct
    {
        std::string file;
        const char* reason;
    } unloadable[] = {{"text.dat", "not a QZM-530RX data file"},
                      {"short.dat", "too short for a QZM-530RX data file"},
                      {"missing.dat", "no such file"},
                      {"folder.dat", "is a folder"},
                      {"sibling.dat", "configured for QZM-400, not a QZM-530RX data file"},
                      {"escape.dat", "not a QZM-530RX data file"}};
    for (const auto& c : unloadable) {
        EXPECT_EQ(Run({"info", Path(c.file)}), 1);
        EXPECT_EQ(m_err.str(), Path(c.file) + ": " + c.reason + "\n");
    }
    EXPECT_EQ(Run({"diff", Path("missing.dat"), Path("text.dat")}), 1);
    EXPECT_EQ(m_err.str(), Path("missing.dat") + ": no such file\n") << "diff names which file";
    EXPECT_EQ(Run({"new", Path("no/folder/x.dat")}), 1);
    EXPECT_FALSE(m_err.str().empty());

    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({"frobnicate"}), 2);
    EXPECT_EQ(Run({"info"}), 2);
    EXPECT_EQ(Run({"diff", "a"}), 2);
    EXPECT_EQ(Run({"info", "a", "--bogus"}), 2);
    EXPECT_EQ(Run({"set", "--help"}), 0);
    EXPECT_NE(m_out.str().find("Usage: qzm530rx-cli set FILE SETTING=VALUE"), std::string::npos);
    EXPECT_EQ(Run({"--help", Path("x.dat")}), 0);
    EXPECT_EQ(Run({"info", "--help", Path("x.dat")}), 0) << "options may stand anywhere";
}

} // namespace

// A profile printed by info --settings and applied by set --from gives a
// new file the words of the first, every setting changed; a refused line
// is named with its number and nothing is written.
TEST_F(CliFileCommandsTest, AProfileCarriesEverySettingToAnotherFile)
{
    const std::string a = Path("a.dat");
    ASSERT_EQ(Run({"new", a}), 0);
    ASSERT_EQ(Run({"set", a, "1003=on", "1004=off", "1005=off", "1006=+10dB", "1007=on", "1001=#2",
                   "1002=on", "1008=Disable", "1009=-4dB", "1010=+4dB", "1011=on", "1031=#1",
                   "1000=off"}),
              0)
        << m_err.str();
    ASSERT_EQ(Run({"info", a, "--settings"}), 0);
    const std::string profile = m_out.str();
    EXPECT_EQ(profile.rfind("# The settings of " + a, 0), 0u) << profile;
    EXPECT_NE(profile.find("Noise Attenuation Level = +10dB  # 1006\n"), std::string::npos)
        << profile;
    std::ofstream(Path("p.txt")) << profile;

    const std::string b = Path("b.dat");
    ASSERT_EQ(Run({"new", b}), 0);
    ASSERT_EQ(Run({"set", b, "--from", Path("p.txt")}), 0) << m_err.str();
    EXPECT_NE(m_out.str().find("Battery Save (1007): off -> on\n"), std::string::npos)
        << m_out.str();
    for (const CSettingDef* def = SettingsBegin(); def != SettingsEnd(); ++def)
        EXPECT_EQ(StoredWord("b.dat", def->id), StoredWord("a.dat", def->id)) << def->label;

    std::ofstream(Path("bad.txt")) << "Battery Save = off\nColour = red\n1007 = on\n";
    const std::string before = Bytes("b.dat");
    EXPECT_EQ(Run({"set", b, "--from", Path("bad.txt")}), 1);
    EXPECT_NE(m_err.str().find(Path("bad.txt") + ":2: unknown setting 'Colour'"), std::string::npos)
        << m_err.str();
    EXPECT_NE(m_err.str().find(Path("bad.txt") + ":3: Battery Save (1007) is given again "
                                                 "(first on line 1)"),
              std::string::npos)
        << m_err.str();
    EXPECT_EQ(Bytes("b.dat"), before) << "nothing was written";
    EXPECT_EQ(Run({"set", b, "--from", Path("none.txt")}), 1);
    EXPECT_EQ(m_err.str(), Path("none.txt") + ": no such file\nNothing was written.\n");
    EXPECT_EQ(Run({"info", a, "--settings", "--json"}), 2);
}

// The profile holds the bytes no setting names too, so that a new file
// given it is the first file again; saved by a text editor it still
// applies; a value a file has already is no change, and a file in which
// nothing changes is not rewritten.
TEST_F(CliFileCommandsTest, AProfileIsTheWholeConfiguration)
{
    const std::string a = Path("a.dat");
    ASSERT_EQ(Run({"new", a}), 0);
    ASSERT_EQ(Run({"set", a, "1006=+10dB"}), 0);
    CopyWithImageByte("a.dat", "a2.dat", 0x40, 0x12);
    CopyWithImageByte("a2.dat", "a3.dat", 0x8FF, 0x00);
    ASSERT_EQ(Run({"info", Path("a3.dat"), "--settings"}), 0);
    const std::string profile = m_out.str();
    EXPECT_NE(profile.find("\n@0x0040 = 12\n@0x08FF = 00\n"), std::string::npos) << profile;
    std::string edited = "\xEF\xBB\xBF";
    for (const char c : profile)
        edited += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::ofstream(Path("p.txt"), std::ios::binary) << edited;

    const std::string b = Path("b.dat");
    ASSERT_EQ(Run({"new", b}), 0);
    ASSERT_EQ(Run({"set", b, "--from", Path("p.txt")}), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), "Noise Attenuation Level (1006): unset (reads as 0dB) -> +10dB\n"
                           "2 other bytes differ (at 0x0040, 0x08FF).\n");
    EXPECT_EQ(Run({"diff", Path("a3.dat"), b}), 0) << m_out.str();

    m_clock.Set(12, 30, 30); // a save now would change the key
    const std::string before = Bytes("b.dat");
    ASSERT_EQ(Run({"set", b, "1006=+10dB", "1007=on", "1007=off"}), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), "Noise Attenuation Level (1006): +10dB, as it was\n"
                           "Battery Save (1007): off -> on\n"
                           "Battery Save (1007): on -> off\n"
                           "Nothing changed; " +
                               b + " was left as it was.\n");
    ASSERT_EQ(Run({"set", b, "--from", Path("p.txt")}), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), "Nothing changed; " + b + " was left as it was.\n");
    EXPECT_EQ(Bytes("b.dat"), before) << "a file in which nothing changed was rewritten";

    // A misspelt setting is named with the nearest one; a far one is not.
    const struct
    {
        const char* assignment;
        const char* said;
    } misspelt[] = {
        {"Batery Save=on", "unknown setting 'Batery Save'; did you mean 'Battery Save' (1007)? '"},
        {"tx-led=Normal", "unknown setting 'tx-led'; did you mean 'TX LED' (1008)? '"},
        {"Colour=red", "unknown setting 'Colour'; '"},
    };
    for (const auto& c : misspelt) {
        EXPECT_EQ(Run({"set", b, c.assignment}), 1);
        EXPECT_EQ(m_err.str().rfind(c.said, 0), 0u) << m_err.str();
    }
    std::ofstream(Path("bad.txt")) << "@0x0000 = AA AA 12\n@0x0040 = 1\n@0x08FF = 00 00\n";
    EXPECT_EQ(Run({"set", b, "--from", Path("bad.txt")}), 1);
    const std::string bad = Path("bad.txt");
    EXPECT_EQ(m_err.str(),
              bad + ":1: byte 0x0002 belongs to a setting; give the setting by its name\n" + bad +
                  ":2: expected a line of bytes as '@0x0040 = 12 34', two hex digits a byte\n" +
                  bad +
                  ":3: the bytes from 0x08FF run past the end of the configuration (0x0900 "
                  "bytes)\nNothing was written.\n");
    EXPECT_EQ(Bytes("b.dat"), before);
}

// report over two logs: the sums of both, the unreadable line named; a log
// that is missing fails the run but the others still count.
TEST_F(CliFileCommandsTest, AReportSumsTheLogsOfSeveralStations)
{
    const std::string header =
        "time,port,device,model,version,operation,file,sha256,result,message,duration_s";
    std::ofstream(Path("one.csv"))
        << header << "\r\n"
        << "2026-12-01T08:00:00+01:00,COM3,/dev/ttyUSB0,M,V,write,/f.dat,ab,verified,,9.0\r\n"
        << "2026-12-01T08:30:00+01:00,COM3,/dev/ttyUSB0,M,V,write,/f.dat,ab,verified,,9.0\r\n";
    std::ofstream(Path("two.csv"))
        << header << ",label\r\n"
        << "2026-12-01T09:00:00+01:00,COM4,/dev/ttyUSB1,M,V,write,/f.dat,ab,failed,"
           "\"NAK, block 1\",4.0,SN-7\r\n"
        << "2026-12-01T09:10:00+01:00,COM4\r\n";
    EXPECT_EQ(Run({"report", Path("one.csv"), Path("two.csv")}), 0) << m_err.str();
    const std::string out = m_out.str();
    EXPECT_NE(out.find("In all: 3 microphones (2 verified, 1 failed)."), std::string::npos) << out;
    EXPECT_NE(out.find("COM4  SN-7  failed: NAK, block 1"), std::string::npos) << out;
    EXPECT_NE(m_err.str().find(Path("two.csv") + ":3: cut short"), std::string::npos)
        << m_err.str();

    EXPECT_EQ(Run({"report", Path("one.csv"), Path("missing.csv"), "--json"}), 1);
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str())).object();
    EXPECT_EQ(json["totals"].toObject()["verified"].toInt(), 2) << m_out.str();
    EXPECT_DOUBLE_EQ(
        json["days"].toArray()[0].toObject()["ports"].toArray()[0].toObject()["perHour"].toDouble(),
        4.0)
        << "two in half an hour";
    EXPECT_NE(m_err.str().find(Path("missing.csv") + ": no such file"), std::string::npos);
    // The logs after one that cannot be opened still count, wherever it stands.
    const std::vector<std::string> orders[] = {{"missing.csv", "one.csv", "two.csv"},
                                               {"one.csv", "missing.csv", "two.csv"}};
    for (const auto& order : orders) {
        EXPECT_EQ(Run({"report", Path(order[0]), Path(order[1]), Path(order[2]), "--json"}), 1);
        const QJsonObject all =
            QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str())).object();
        EXPECT_EQ(all["totals"].toObject()["verified"].toInt(), 2) << order[0];
        EXPECT_EQ(all["totals"].toObject()["failed"].toInt(), 1) << order[0];
        EXPECT_EQ(all["logs"].toArray().size(), 2) << order[0];
    }
    EXPECT_EQ(Run({"report", Path("missing.csv")}), 1);
    EXPECT_TRUE(m_out.str().empty()) << "no table of nothing: " << m_out.str();

    // A data file is no log: named, not summed, exit 1; the logs beside it
    // still count.
    ASSERT_EQ(Run({"new", Path("mic.dat")}), 0);
    const std::string data = Bytes("mic.dat");
    EXPECT_EQ(Run({"report", Path("one.csv"), Path("mic.dat"), "--json"}), 1);
    EXPECT_NE(m_err.str().find(Path("mic.dat") + ": no log of qzm530rx-cli"), std::string::npos)
        << m_err.str();
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str()))
                  .object()["microphones"]
                  .toInt(),
              2);
    EXPECT_EQ(Bytes("mic.dat"), data);
    // An older log keeps no stage, cause or holds: they are not known.
    EXPECT_EQ(Run({"report", Path("two.csv"), "--json"}), 0);
    const QJsonObject redo = QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str()))
                                 .object()["redo"]
                                 .toArray()[0]
                                 .toObject();
    EXPECT_TRUE(redo["stage"].isNull() && redo["holds"].isNull()) << m_out.str();
}

// The shop's record beside a log: its lines by station, a record that does
// not exist is not made, and a file that is none is left as it is.
TEST_F(CliFileCommandsTest, AReportReadsTheShopsRecordBesideTheLogsAndMakesNone)
{
    std::ofstream(Path("one.csv"))
        << LogHeader(kNewestLog) << "\r\n"
        << "2026-12-01T08:00:00+01:00,COM3,/dev/ttyUSB0,M,V,write,/f.dat,ab,verified,,9.0,,,,,"
           "\r\n";
    {
        CRecordAddress address;
        CRecordFault error;
        ASSERT_TRUE(ParseRecordAddress(Path("shop.db"), address, error));
        auto record = CShopRecord::Open(address, "bench-9", error);
        ASSERT_NE(record, nullptr) << RecordFaultText(error);
        CMicRecord mic;
        mic.operation = Operation::kWrite;
        mic.result = JobResult::kVerified;
        mic.port = "COM5";
        mic.time = "2026-12-01T09:00:00+01:00";
        ASSERT_TRUE(record->Add(mic, "", error)) << RecordFaultText(error);
    }
    EXPECT_EQ(Run({"report", Path("one.csv"), "--record", Path("shop.db")}), 0) << m_err.str();
    EXPECT_NE(m_out.str().find("Day         Station  Port"), std::string::npos) << m_out.str();
    EXPECT_NE(m_out.str().find("2026-12-01  bench-9  COM5"), std::string::npos) << m_out.str();
    EXPECT_NE(m_out.str().find("In all: 2 microphones (2 verified)."), std::string::npos);
    EXPECT_EQ(Run({"report", Path("one.csv"), "--record", Path("shop.db"), "--json"}), 0);
    const QJsonArray ports = QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str()))
                                 .object()["days"]
                                 .toArray()[0]
                                 .toObject()["ports"]
                                 .toArray();
    ASSERT_EQ(ports.size(), 2) << m_out.str();
    EXPECT_TRUE(ports[0].toObject()["station"].isNull()) << "the log's line";
    EXPECT_EQ(ports[1].toObject()["station"].toString(), "bench-9");

    EXPECT_EQ(Run({"report", "--record", Path("typo.db")}), 1);
    EXPECT_NE(m_err.str().find("typo.db does not exist"), std::string::npos) << m_err.str();
    EXPECT_FALSE(fs::exists(Path("typo.db"))) << "a report makes no record";
    ASSERT_EQ(Run({"new", Path("mic.dat")}), 0);
    const std::string data = Bytes("mic.dat");
    EXPECT_EQ(Run({"report", "--record", Path("mic.dat")}), 1);
    EXPECT_EQ(Bytes("mic.dat"), data);
    EXPECT_EQ(Run({"report"}), CliExit::kUsage);
}

// The report's words: its lists of what is left to do, a microphone
// retried and done well at another offset from UTC, a failed read, and a
// port whose failures span time done well at no rate per hour.
TEST_F(CliFileCommandsTest, AReportListsWhatIsLeftToDoInItsOwnWords)
{
    const auto line = [](const char* time, Operation operation, JobResult result, const char* label,
                         const char* message, const char* port = "COM4") {
        CMicRecord record;
        record.time = time;
        record.port = port;
        record.operation = operation;
        record.result = result;
        record.label = label;
        return CsvLine(LogFields(record, message, kNewestLog));
    };
    std::ofstream(Path("run.csv"), std::ios::binary)
        << LogHeader(kNewestLog) << "\r\n"
        << line("2026-12-05T09:00:00+01:00", Operation::kWrite, JobResult::kFailed, "SN-1", "bad")
        << line("2026-12-05T08:30:00+00:00", Operation::kWrite, JobResult::kVerified, "SN-1", "")
        << line("2026-12-05T09:40:00+01:00", Operation::kWrite, JobResult::kInterrupted, "SN-2",
                "stopped")
        << line("2026-12-05T09:50:00+01:00", Operation::kRead, JobResult::kFailed, "", "lost")
        << line("2026-12-05T10:00:00+01:00", Operation::kWrite, JobResult::kFailed, "", "x", "COM5")
        << line("2026-12-05T10:10:00+01:00", Operation::kWrite, JobResult::kFailed, "", "y",
                "COM5");
    EXPECT_EQ(Run({"report", Path("run.csv")}), 0) << m_err.str();
    const std::string out = m_out.str();
    for (
        const char* expected :
        {"\nTo program again (3):\n  2026-12-05T09:40:00+01:00  COM4  SN-2  interrupted: stopped\n",
         "\nRetried and done well (1):\n  2026-12-05T09:00:00+01:00  COM4  SN-1  failed: bad; done "
         "well at 2026-12-05T08:30:00+00:00\n",
         "\nReads to repeat (1):\n  2026-12-05T09:50:00+01:00  COM4  failed: lost\n",
         "In all: 6 microphones (1 verified, 4 failed, 1 interrupted)."})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
    EXPECT_EQ(out.find("COM5  failed: x"), out.rfind("COM5  failed: x")) << "listed once";
    EXPECT_EQ(Run({"report", Path("run.csv"), "--json"}), 0);
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str())).object();
    const QJsonArray ports = json["days"].toArray()[0].toObject()["ports"].toArray();
    EXPECT_EQ(ports[0].toObject()["perHour"].toDouble(-1), 0.75) << "one in eighty minutes";
    EXPECT_EQ(ports[1].toObject()["perHour"].toDouble(-1), 0.0) << "none in ten minutes";
    EXPECT_EQ(json["redo"].toArray()[0].toObject()["retried"].toString(),
              "2026-12-05T08:30:00+00:00");
}
