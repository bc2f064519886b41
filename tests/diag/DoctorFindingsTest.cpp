// How doctor words the facts: the port's kind and permission, the groups,
// and the causes of a silent probe.
#include "diag/DoctorFindings.h"

#include <gtest/gtest.h>

namespace {

CGroupFacts Alice(std::vector<std::string> session, std::vector<std::string> database)
{
    CGroupFacts groups;
    groups.user = "alice";
    groups.session = std::move(session);
    groups.database = std::move(database);
    return groups;
}

CDeviceFacts SerialDevice(bool mayOpen, const std::string& group, bool groupMayUse)
{
    CDeviceFacts device;
    device.path = device.node = "/dev/ttyUSB0";
    device.kind = CDeviceFacts::Kind::Terminal;
    device.mayOpen = mayOpen;
    device.owner = "root";
    device.group = group;
    device.groupMayUse = groupMayUse;
    return device;
}

} // namespace

TEST(DoctorFindings, APortThatIsNoSerialDeviceStopsTheChecksAtOnce)
{
    CDeviceFacts device;
    device.path = "/tmp/x";
    const CGroupFacts groups = Alice({"alice"}, {"alice"});
    std::vector<CFinding> findings = DoctorFindings::PortFindings(device, groups);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].text, "/tmp/x does not exist");
    EXPECT_FALSE(findings[0].ok);

    using Kind = CDeviceFacts::Kind;
    const std::pair<Kind, const char*> kinds[] = {
        {Kind::RegularFile, "a regular file"}, {Kind::Fifo, "a FIFO"},
        {Kind::NullDevice, "/dev/null"},       {Kind::NotTerminal, "not a terminal"},
        {Kind::Directory, "a folder"},
    };
    for (const auto& [kind, words] : kinds) {
        device.kind = kind;
        findings = DoctorFindings::PortFindings(device, groups);
        ASSERT_EQ(findings.size(), 2u) << words;
        EXPECT_TRUE(findings[0].ok);
        EXPECT_EQ(findings[1].kind, FindingKind::kTerminal);
        EXPECT_FALSE(findings[1].ok);
        EXPECT_NE(findings[1].text.find(words), std::string::npos) << findings[1].text;
    }
}

TEST(DoctorFindings, APermissionProblemNamesTheGroupAndTheWayIn)
{
    std::vector<CFinding> findings = DoctorFindings::PortFindings(
        SerialDevice(false, "dialout", true), Alice({"alice"}, {"alice"}));
    ASSERT_EQ(findings.size(), 3u);
    EXPECT_EQ(findings[2].text,
              "alice may not open /dev/ttyUSB0: it belongs to the group dialout, which alice is "
              "not in");
    EXPECT_EQ(findings[2].fix, "sudo usermod -aG dialout $USER, then log out and in again");

    // Added to the group, but this login began before.
    findings = DoctorFindings::PortFindings(SerialDevice(false, "dialout", true),
                                            Alice({"alice"}, {"alice", "dialout"}));
    EXPECT_NE(findings[2].fix.find("log out and in again"), std::string::npos);
    EXPECT_EQ(findings[2].fix.find("usermod"), std::string::npos) << findings[2].fix;

    // A group without read and write (a pseudo-terminal's "tty") is no way in.
    findings = DoctorFindings::PortFindings(SerialDevice(false, "tty", false),
                                            Alice({"alice"}, {"alice"}));
    EXPECT_EQ(findings[2].text, "alice may not open /dev/ttyUSB0: only its owner root may");

    findings = DoctorFindings::PortFindings(SerialDevice(true, "dialout", true),
                                            Alice({"alice"}, {"alice"}));
    EXPECT_TRUE(findings[2].ok);
}

TEST(DoctorFindings, TheUsersGroupsAreCheckedAgainstTheSerialDevices)
{
    const std::vector<CDeviceAccess> devices = {
        {"/dev/ttyS0", "dialout", true, false},
        {"/dev/ttyUSB0", "dialout", true, false},
        {"/dev/ttyACM0", "uucp", true, true},
    };
    CFinding finding = DoctorFindings::GroupsFinding(devices, Alice({"alice", "uucp"}, {"alice"}));
    EXPECT_FALSE(finding.ok);
    EXPECT_EQ(finding.text,
              "alice is not in the group dialout of the serial devices here (groups: alice, uucp)");
    EXPECT_EQ(finding.fix, "sudo usermod -aG dialout $USER, then log out and in again");

    finding = DoctorFindings::GroupsFinding({devices[2]}, Alice({"alice", "uucp"}, {"alice"}));
    EXPECT_TRUE(finding.ok);
    EXPECT_EQ(finding.text, "alice may open every serial device present (groups uucp)");

    CGroupFacts root = Alice({"root"}, {"root"});
    root.root = true;
    EXPECT_TRUE(DoctorFindings::GroupsFinding(devices, root).ok);
    EXPECT_TRUE(DoctorFindings::GroupsFinding({}, Alice({"alice"}, {"alice"})).ok);
}

TEST(DoctorFindings, ASilentProbeListsTheLikelyCausesThoseAboveFirst)
{
    CProbeFacts probe;
    probe.probed = probe.opened = true;
    std::vector<std::string> causes;
    const std::vector<CFinding> before = {
        {FindingKind::kHolders, false, "held", "kill"},
        {FindingKind::kModemManager, false, "running", "rule"},
    };
    CFinding finding = DoctorFindings::ProbeFinding(probe, before, causes);
    EXPECT_FALSE(finding.ok);
    ASSERT_GE(causes.size(), 4u);
    EXPECT_NE(causes[0].find("another program uses the port"), std::string::npos);
    EXPECT_NE(causes[1].find("ModemManager"), std::string::npos);
    EXPECT_NE(causes[2].find("not connected"), std::string::npos);

    probe.bytesHeard = true;
    DoctorFindings::ProbeFinding(probe, {}, causes);
    EXPECT_NE(causes[0].find("not as a microphone does"), std::string::npos) << causes[0];

    probe.answered = probe.knownModel = true;
    probe.model = "PVHM_812";
    probe.version = "V1.00";
    probe.rate = 9600;
    finding = DoctorFindings::ProbeFinding(probe, before, causes);
    EXPECT_TRUE(finding.ok);
    EXPECT_EQ(finding.text, "a PVHM_812 answered, version V1.00, at 9600");
    EXPECT_TRUE(causes.empty());

    probe.knownModel = false;
    probe.model = "PVHM_999";
    EXPECT_FALSE(DoctorFindings::ProbeFinding(probe, {}, causes).ok)
        << "a model it cannot configure";
}
