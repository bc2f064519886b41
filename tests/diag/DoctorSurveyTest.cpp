// doctor's readers on folders made by the test: a fake /proc, a fake /sys,
// lock folders and udev rules; the machine's findings with a fake group list
// and a fake service check.
#include "diag/DoctorSurvey.h"
#include "diag/PortTrouble.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FakeGroups : public IUserGroups
{
public:
    explicit FakeGroups(CGroupFacts facts) : m_facts(std::move(facts)) {}
    CGroupFacts Groups() const override { return m_facts; }

private:
    CGroupFacts m_facts;
};

class FakeServices : public IServiceCheck
{
public:
    explicit FakeServices(std::vector<std::string> running) : m_running(std::move(running)) {}
    bool IsRunning(const std::string& program) const override
    {
        return std::find(m_running.begin(), m_running.end(), program) != m_running.end();
    }

private:
    std::vector<std::string> m_running;
};

// A pseudo-terminal of the test's own, a terminal device it may chmod.
class CPseudoTerminal
{
public:
    CPseudoTerminal() : m_master(::posix_openpt(O_RDWR | O_NOCTTY))
    {
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            m_path = ::ptsname(m_master);
    }
    ~CPseudoTerminal()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    CPseudoTerminal(const CPseudoTerminal&) = delete;
    CPseudoTerminal& operator=(const CPseudoTerminal&) = delete;
    const std::string& Path() const { return m_path; }

private:
    int m_master;
    std::string m_path;
};

class DoctorSurveyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() /
                 ("qzm-doctor-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        m_paths.proc = (m_root / "proc").string();
        m_paths.sys = (m_root / "sys").string();
        m_paths.udevData = (m_root / "udev").string();
        m_paths.lockFolders = {(m_root / "run/lock").string(), (m_root / "var/lock").string()};
        m_paths.udevRules = {(m_root / "etc/rules.d").string(), (m_root / "lib/rules.d").string()};
        for (const std::string& folder : m_paths.lockFolders)
            fs::create_directories(folder);
        for (const std::string& folder : m_paths.udevRules)
            fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(m_root); }

    // A process of the fake /proc with descriptors on `targets`.
    void AddProcess(int pid, const std::string& program, const std::vector<std::string>& targets)
    {
        const fs::path folder = fs::path(m_paths.proc) / std::to_string(pid);
        fs::create_directories(folder / "fd");
        std::ofstream(folder / "comm") << program << "\n";
        int fd = 0;
        for (const std::string& target : targets)
            fs::create_symlink(target, folder / "fd" / std::to_string(fd++));
    }
    static void Write(const fs::path& file, const std::string& text)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }

    fs::path m_root;
    CMachinePaths m_paths;
};

} // namespace

TEST_F(DoctorSurveyTest, HoldersAreReadFromProcWithTheirProgramNames)
{
    AddProcess(1234, "minicom", {"/dev/null", "/dev/ttyUSB0"});
    AddProcess(77, "bash", {"/dev/pts/1"});
    AddProcess(500, "qzm530rx-cli", {"/dev/ttyUSB0"});
    fs::create_directories(fs::path(m_paths.proc) / "self");
    int hidden = -1;
    const std::vector<CHolder> holders =
        DoctorSurvey::FindHolders(m_paths.proc, "/dev/ttyUSB0", 500, hidden);
    ASSERT_EQ(holders.size(), 1u) << "the doctor itself does not count";
    EXPECT_EQ(holders[0].pid, 1234);
    EXPECT_EQ(holders[0].program, "minicom");
    EXPECT_EQ(hidden, 0);

    const CFinding finding = DoctorFindings::HoldersFinding("/dev/ttyUSB0", holders, 0);
    EXPECT_FALSE(finding.ok);
    EXPECT_EQ(finding.text, "/dev/ttyUSB0 is held open by minicom (process 1234)");
    EXPECT_EQ(finding.fix, "close that program, or end it with 'kill 1234'");

    EXPECT_TRUE(DoctorSurvey::IsProgramRunning(m_paths.proc, "bash"));

    // The simulator holds both ends of its pseudo-terminal: it plays the
    // device and is no competitor; a terminal program on it is.
    AddProcess(600, "qzm530rx-sim", {"/dev/ptmx", "/dev/pts/7"});
    Write(fs::path(m_paths.proc) / "600/fdinfo/0", "pos:\t0\nflags:\t02\ntty-index:\t7\n");
    AddProcess(601, "other-sim", {"/dev/ptmx", "/dev/pts/7"});
    Write(fs::path(m_paths.proc) / "601/fdinfo/0", "tty-index:\t8\n");
    std::vector<CHolder> onPty = DoctorSurvey::FindHolders(m_paths.proc, "/dev/pts/7", 500, hidden);
    std::sort(onPty.begin(), onPty.end(),
              [](const CHolder& a, const CHolder& b) { return a.pid < b.pid; });
    ASSERT_EQ(onPty.size(), 2u);
    EXPECT_TRUE(onPty[0].playsDevice);
    EXPECT_FALSE(onPty[1].playsDevice) << "the master of another terminal";
    EXPECT_FALSE(DoctorFindings::HoldersFinding("/dev/pts/7", onPty, 0).ok);
    const CFinding played = DoctorFindings::HoldersFinding("/dev/pts/7", {onPty[0]}, 0);
    EXPECT_TRUE(played.ok);
    EXPECT_EQ(played.text, "no other process has /dev/pts/7 open but qzm530rx-sim (process 600), "
                           "which plays the device at its other end");
    EXPECT_FALSE(DoctorSurvey::IsProgramRunning(m_paths.proc, "ModemManager"));

    // With both on it, the fix ends the terminal program, never the player.
    const CFinding both =
        DoctorFindings::HoldersFinding("/dev/pts/7", {onPty[0], {1234, "minicom", false}}, 0);
    EXPECT_FALSE(both.ok);
    EXPECT_EQ(both.fix, "close that program, or end it with 'kill 1234'");
}

TEST_F(DoctorSurveyTest, LockFilesNameTheirOwnerOrAreStale)
{
    AddProcess(4321, "cu", {});
    Write(fs::path(m_paths.lockFolders[0]) / "LCK..ttyUSB0", "      4321\n");
    std::vector<CLockFacts> locks = DoctorSurvey::FindLocks(m_paths, "/dev/ttyUSB0");
    ASSERT_EQ(locks.size(), 1u);
    EXPECT_TRUE(locks[0].ownerAlive);
    CFinding finding = DoctorFindings::LockFinding("/dev/ttyUSB0", locks);
    EXPECT_FALSE(finding.ok);
    EXPECT_NE(finding.text.find("for cu (process 4321)"), std::string::npos) << finding.text;

    // Qt's own lock files hold the process id on their first line; a binary
    // int is what old programs wrote.
    Write(fs::path(m_paths.lockFolders[1]) / "LCK..ttyUSB1", "999\nsomeprogram\nhost\n");
    const int binary = 4321;
    Write(fs::path(m_paths.lockFolders[1]) / "LCK..ttyUSB2",
          std::string(reinterpret_cast<const char*>(&binary), sizeof binary));
    locks = DoctorSurvey::FindLocks(m_paths, "/dev/ttyUSB1");
    ASSERT_EQ(locks.size(), 1u);
    EXPECT_EQ(locks[0].pid, 999);
    finding = DoctorFindings::LockFinding("/dev/ttyUSB1", locks);
    EXPECT_EQ(finding.text, locks[0].path + " is stale: its owner, process 999, has ended");
    EXPECT_EQ(finding.fix, "sudo rm " + locks[0].path);
    EXPECT_EQ(DoctorSurvey::FindLocks(m_paths, "/dev/ttyUSB2").at(0).pid, 4321);

    // /var/lock is often a link to /run/lock: one file, one finding.
    fs::remove_all(m_paths.lockFolders[1]);
    fs::create_directory_symlink(m_paths.lockFolders[0], m_paths.lockFolders[1]);
    EXPECT_EQ(DoctorSurvey::FindLocks(m_paths, "/dev/ttyUSB0").size(), 1u);
    EXPECT_TRUE(DoctorFindings::LockFinding("/dev/ttyUSB9", {}).ok);

    Write(fs::path(m_paths.lockFolders[0]) / "LCK..pts_3", "4321\n");
    EXPECT_EQ(DoctorSurvey::FindLocks(m_paths, "/dev/pts/3").size(), 1u)
        << "below /dev, with _ for /";
}

TEST_F(DoctorSurveyTest, TheAdaptersDriverAndUsbIdsComeFromSys)
{
    const fs::path usb = fs::path(m_paths.sys) / "devices/pci0000:00/usb1/1-2";
    Write(usb / "idVendor", "0403\n");
    Write(usb / "idProduct", "6001\n");
    Write(usb / "product", "FT232R USB UART\n");
    fs::create_directories(usb / "1-2:1.0/ttyUSB0");
    fs::create_directories(fs::path(m_paths.sys) / "bus/usb-serial/drivers/ftdi_sio");
    fs::create_symlink(fs::path(m_paths.sys) / "bus/usb-serial/drivers/ftdi_sio",
                       usb / "1-2:1.0/ttyUSB0/driver");
    fs::create_directories(fs::path(m_paths.sys) / "class/tty/ttyUSB0");
    fs::create_symlink(usb / "1-2:1.0/ttyUSB0", fs::path(m_paths.sys) / "class/tty/ttyUSB0/device");

    const CAdapterFacts adapter = DoctorSurvey::ReadAdapter(m_paths, "/dev/ttyUSB0");
    EXPECT_EQ(adapter.driver, "ftdi_sio");
    EXPECT_EQ(adapter.vendorId, "0403");
    EXPECT_EQ(adapter.productId, "6001");
    CDeviceFacts device;
    device.node = "/dev/ttyUSB0";
    EXPECT_EQ(DoctorFindings::DriverFinding(device, adapter).text,
              "/dev/ttyUSB0: USB adapter 0403:6001 (FT232R USB UART), driver ftdi_sio");
    EXPECT_FALSE(DoctorSurvey::ReadAdapter(m_paths, "/dev/ttyUSB1").IsUsb());

#ifdef __linux__
    // udev's record of a character device is "c<major>:<minor>"; /dev/null is 1:3.
    EXPECT_FALSE(DoctorSurvey::ReadAdapter(m_paths, "/dev/null").modemManagerIgnores);
    Write(fs::path(m_paths.udevData) / "c1:3", "E:ID_MM_CANDIDATE=1\nE:ID_MM_DEVICE_IGNORE=1\n");
    EXPECT_TRUE(DoctorSurvey::ReadAdapter(m_paths, "/dev/null").modemManagerIgnores);
#endif
}

// Read and write access both: a group that may only read or only write (a
// pseudo-terminal's "tty" may only write) is no way in for its members.
TEST_F(DoctorSurveyTest, AGroupThatMayOnlyReadOrOnlyWriteOpensNothing)
{
    const CPseudoTerminal terminal;
    ASSERT_FALSE(terminal.Path().empty());
    const std::string pty = terminal.Path();
    const std::string file = (m_root / "node").string();
    Write(file, "");
    const struct
    {
        mode_t mode;
        bool groupMayUse;
    } cases[] = {{0620, false}, {0640, false}, {0600, false}, {0660, true}};
    for (const auto& c : cases) {
        ASSERT_EQ(::chmod(pty.c_str(), c.mode), 0);
        ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);
        EXPECT_EQ(DoctorSurvey::ReadDevice(m_paths, pty).groupMayUse, c.groupMayUse) << c.mode;
        EXPECT_EQ(DoctorSurvey::ReadAccess(file).groupMayUse, c.groupMayUse) << c.mode;
    }
}

TEST_F(DoctorSurveyTest, BrlttyRulesClaimUsbSerialChipsUnlessMasked)
{
    const fs::path lib = fs::path(m_paths.udevRules[1]) / "85-brltty.rules";
    Write(lib, "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\", GOTO=\"run\"\n"
               "SUBSYSTEM==\"usb\", ATTRS{idVendor}==\"10c4\", ATTRS{idProduct}==\"ea60\", "
               "GOTO=\"run\"\n");
    Write(fs::path(m_paths.udevRules[1]) / "60-serial.rules", "ENV{PRODUCT}==\"403/6001/*\"\n");
    Write(fs::path(m_paths.udevRules[1]) / "90-brltty-device.rules",
          "ENV{PRODUCT}==\"403/6001/*\", GOTO=\"run\"\nENV{PRODUCT}==\"11a86/7523/*\"\n");
    std::vector<CBrlttyClaim> claims = DoctorSurvey::ReadBrlttyClaims(m_paths.udevRules);
    ASSERT_EQ(claims.size(), 2u) << "only brltty's rules count";
    EXPECT_EQ(claims[0].ids, (std::vector<std::string>{"1a86:7523", "10c4:ea60"}));
    EXPECT_EQ(claims[1].ids, (std::vector<std::string>{"0403:6001"}))
        << "written without leading zeros; 11a86 is another vendor";

    CAdapterFacts ch340;
    ch340.vendorId = "1a86";
    ch340.productId = "7523";
    CAdapterFacts ftdi;
    ftdi.vendorId = "0403";
    ftdi.productId = "6001";
    CFinding finding = DoctorFindings::BrlttyFinding(claims, false, true, &ch340, false);
    EXPECT_FALSE(finding.ok);
    EXPECT_NE(finding.text.find("CH340 (1a86:7523), CP210x (10c4:ea60)"), std::string::npos)
        << finding.text;
    EXPECT_NE(finding.fix.find("sudo ln -s /dev/null /etc/udev/rules.d/85-brltty.rules"),
              std::string::npos)
        << finding.fix;
    EXPECT_FALSE(DoctorFindings::BrlttyFinding(claims, false, true, &ftdi, false).ok);
    CAdapterFacts other;
    other.vendorId = "067b";
    other.productId = "23a3";
    EXPECT_TRUE(DoctorFindings::BrlttyFinding(claims, false, true, &other, false).ok);
    EXPECT_FALSE(DoctorFindings::BrlttyFinding(claims, false, true, &other, true).ok)
        << "a port that vanished may have been taken";

    fs::create_symlink("/dev/null", fs::path(m_paths.udevRules[0]) / "85-brltty.rules");
    Write(fs::path(m_paths.udevRules[0]) / "90-brltty-device.rules", "");
    EXPECT_TRUE(DoctorSurvey::ReadBrlttyClaims(m_paths.udevRules).empty()) << "masked in /etc";
}

TEST_F(DoctorSurveyTest, MachineFindingsComeThroughTheGroupsAndServices)
{
    CDoctorSeams seams;
    seams.paths = m_paths;
    CGroupFacts groups;
    groups.user = "alice";
    groups.session = {"alice", "plugdev"};
    groups.database = {"alice", "plugdev"};
    seams.groups = std::make_shared<FakeGroups>(groups);
    seams.services = std::make_shared<FakeServices>(std::vector<std::string>{"ModemManager"});

    CPortSurvey port;
    port.adapter.node = "/dev/ttyUSB0";
    port.adapter.vendorId = "0403";
    port.adapter.productId = "6001";
    std::vector<CFinding> findings = SurveyMachine(&port, seams);
    ASSERT_EQ(findings.size(), 3u);
    EXPECT_EQ(findings[0].kind, FindingKind::kModemManager);
    EXPECT_FALSE(findings[0].ok);
    EXPECT_NE(findings[0].fix.find("ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\", "
                                   "ENV{ID_MM_DEVICE_IGNORE}=\"1\""),
              std::string::npos)
        << findings[0].fix;
    EXPECT_NE(findings[0].fix.find("/etc/udev/rules.d/"), std::string::npos);
    EXPECT_TRUE(findings[1].ok) << "no brltty rules here";
    EXPECT_TRUE(findings[2].ok) << "no serial device here";

    port.adapter.modemManagerIgnores = true;
    EXPECT_TRUE(SurveyMachine(&port, seams)[0].ok) << "the rule is in force";
    seams.services = std::make_shared<FakeServices>(std::vector<std::string>{});
    const std::vector<CFinding> machine = SurveyMachine(nullptr, seams);
    ASSERT_GE(machine.size(), 2u);
    EXPECT_EQ(machine[0].kind, FindingKind::kDevices) << "without a port, the devices first";
    EXPECT_EQ(machine[1].text, "ModemManager is not running");
}

// Without a port doctor lists the devices present, and says so plainly when
// none of them is a USB-serial adapter: the cable is not plugged in.
TEST(DoctorFindingsTest, DevicesPresentAndTheMissingAdapter)
{
    CAdapterFacts usb;
    usb.node = "/dev/ttyUSB0";
    usb.driver = "ftdi_sio";
    usb.vendorId = "0403";
    usb.productId = "6001";
    usb.product = "FT232R USB UART";
    CAdapterFacts unnamed = usb;
    unnamed.node = "/dev/ttyUSB1";
    unnamed.product.clear();
    CAdapterFacts builtIn;
    builtIn.node = "/dev/ttyS0";
    builtIn.builtIn = true;
    const struct
    {
        std::vector<CAdapterFacts> adapters;
        std::vector<int> numbers;
        std::vector<std::string> texts;
        bool adapterMissing;
    } cases[] = {
        {{usb, unnamed},
         {3, 0},
         {"COM3 is /dev/ttyUSB0, FT232R USB UART (ftdi_sio)",
          "no COM number for /dev/ttyUSB1, USB 0403:6001 (ftdi_sio)"},
         false},
        // Fewer numbers than devices: the last has none.
        {{usb, unnamed},
         {3},
         {"COM3 is /dev/ttyUSB0, FT232R USB UART (ftdi_sio)",
          "no COM number for /dev/ttyUSB1, USB 0403:6001 (ftdi_sio)"},
         false},
        {{builtIn}, {1}, {"COM1 is /dev/ttyS0, a built-in port"}, true},
        {{}, {}, {}, true},
    };
    for (const auto& c : cases) {
        const std::vector<CFinding> findings =
            DoctorFindings::DeviceFindings(c.adapters, c.numbers);
        ASSERT_EQ(findings.size(), c.texts.size() + (c.adapterMissing ? 1 : 0));
        for (std::size_t i = 0; i < c.texts.size(); ++i) {
            EXPECT_TRUE(findings[i].ok);
            EXPECT_EQ(findings[i].text, c.texts[i]);
        }
        if (c.adapterMissing) {
            EXPECT_FALSE(findings.back().ok);
            EXPECT_NE(findings.back().text.find("no USB-serial adapter is connected"),
                      std::string::npos);
            EXPECT_EQ(BriefReason(findings.back()), "no USB-serial adapter is connected");
        }
    }
}

// The one line that a production line shows beside a port that does not
// open: the brief reasons of the problems found, in their order.
TEST_F(DoctorSurveyTest, APortsTroubleInOneLine)
{
    const CPseudoTerminal terminal;
    ASSERT_FALSE(terminal.Path().empty());
    const std::string pty = terminal.Path();
    CDoctorSeams seams;
    seams.paths = m_paths;
    CGroupFacts groups;
    groups.user = "alice";
    seams.groups = std::make_shared<FakeGroups>(groups);
    seams.services = std::make_shared<FakeServices>(std::vector<std::string>{});
    EXPECT_EQ(PortTrouble(pty, seams), "");
    AddProcess(1234, "minicom", {pty});
    EXPECT_EQ(PortTrouble(pty, seams), "held by process 1234 (minicom)");
    EXPECT_EQ(PortTrouble((m_root / "gone").string(), seams), "the device is not there");

    CFinding permission(FindingKind::kPermission, false, "text", "fix");
    permission.group = "dialout";
    EXPECT_EQ(BriefReason(permission), "no permission: join the group dialout");
    EXPECT_EQ(BriefReason(CFinding(FindingKind::kModemManager, false, "t", "f")),
              "ModemManager probes it");
    EXPECT_EQ(BriefReason(CFinding(FindingKind::kHolders, true, "t", "")), "");
}
