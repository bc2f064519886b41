#pragma once
// What `doctor` finds, made from facts that the survey of the machine
// gathered (DoctorSurvey.h). Each function here only words the facts, so
// that tests state the facts and read the findings.
#include <string>
#include <utility>
#include <vector>

// What the file system says of the port's device, learnt without opening it.
struct CDeviceFacts
{
    enum class Kind
    {
        Missing,
        Terminal,    // a character device of the terminal kind
        NotTerminal, // another character device
        NullDevice,  // /dev/null
        RegularFile,
        Fifo,
        Directory,
        Other, // a socket, a block device
    };
    std::string path; // as given
    Kind kind = Kind::Missing;
    std::string node; // the canonical path
    bool pseudoTerminal = false;
    bool mayOpen = true; // read and write access for this user
    std::string owner;
    std::string group;
    bool groupMayUse = false; // the group has read and write access
};

// A USB-serial adapter, or what is known of the device's driver.
struct CAdapterFacts
{
    std::string node;
    std::string driver;    // "ftdi_sio"; empty when unknown
    std::string vendorId;  // "0403"; empty when not a USB device
    std::string productId; // "6001"
    std::string product;   // the adapter's own name, "FT232R USB UART"
    bool builtIn = false;
    bool modemManagerIgnores = false; // udev set ID_MM_DEVICE_IGNORE for it

    bool IsUsb() const { return !vendorId.empty() && !productId.empty(); }
};

// A process that has the device open.
struct CHolder
{
    int pid = 0;
    std::string program;
    // It holds the other end of the pseudo-terminal too: it plays the device
    // (as qzm530rx-sim does) rather than competing for it.
    bool playsDevice = false;
};

// A lock file of the device, "/run/lock/LCK..ttyUSB0".
struct CLockFacts
{
    std::string path;
    int pid = 0; // 0 when the file names none
    bool ownerAlive = false;
    std::string program; // the owner's, when alive
};

// The user's groups.
struct CGroupFacts
{
    std::string user;
    bool root = false;
    std::vector<std::string> session;  // in force in this login
    std::vector<std::string> database; // in the group database (after the next login)
};

// A serial device present, for the groups check.
struct CDeviceAccess
{
    std::string node;
    std::string group;
    bool groupMayUse = false;
    bool userMayOpen = true;
};

// Rules of brltty that take USB-serial chips for braille displays.
struct CBrlttyClaim
{
    std::string rulesFile;
    std::vector<std::string> chips; // "CH340 (1a86:7523)"
    std::vector<std::string> ids;   // "1a86:7523"
};

// The outcome of the presence probe, as the probe's caller saw it.
struct CProbeFacts
{
    bool probed = false;
    std::string notProbedReason;
    bool opened = false;
    std::string openFailure; // why it did not open
    bool answered = false;
    bool knownModel = false;
    std::string model;
    std::string version;
    unsigned rate = 0;
    bool bytesHeard = false; // something came back that was not the answer
};

// What a finding is about.
enum class FindingKind
{
    kPort,         // the port's device exists
    kTerminal,     // it is a terminal (serial) device
    kPermission,   // this user may open it
    kHolders,      // other programs have it open
    kLock,         // lock files of it
    kDriver,       // the adapter and its driver
    kLowLatency,   // the driver's low latency
    kModemManager, // ModemManager probes adapters
    kBrltty,       // brltty takes USB-serial chips for braille displays
    kGroups,       // the user's groups against the devices'
    kProbe,        // the probe of the microphone
    kDevices       // the serial devices present, and whether one is a USB adapter
};
// The word doctor prints for the kind, and its JSON's "kind": "port",
// "terminal", "permission", "holders", "lock", "driver", "low-latency",
// "modemmanager", "brltty", "groups", "probe", "devices".
const char* FindingKindName(FindingKind kind);

// One line of doctor's report, with what it found.
struct CFinding
{
    CFinding() = default;
    CFinding(FindingKind kind_, bool ok_, std::string text_, std::string fix_)
        : kind(kind_), ok(ok_), text(std::move(text_)), fix(std::move(fix_))
    {
    }

    FindingKind kind = FindingKind::kPort;
    bool ok = true;
    std::string text;
    std::string fix; // the command or step that mends it; empty when ok
    // The facts behind a problem, for words of its own elsewhere:
    std::vector<CHolder> holders; // kHolders: the programs that compete for the port
    std::string group;            // kPermission: the group that may open it; empty: the owner only
    CLockFacts lock;              // kLock: the lock file
};

// A problem in a few words, for a place with room for one line: "held by
// process 1234 (minicom)", "no permission: join the group dialout",
// "ModemManager probes it". Empty for a finding that is ok.
std::string BriefReason(const CFinding& finding);

namespace DoctorFindings {

std::vector<CFinding> PortFindings(const CDeviceFacts& device, const CGroupFacts& groups);
CFinding HoldersFinding(const std::string& node, const std::vector<CHolder>& holders,
                        int hiddenProcesses);
CFinding LockFinding(const std::string& node, const std::vector<CLockFacts>& locks);
CFinding DriverFinding(const CDeviceFacts& device, const CAdapterFacts& adapter);
// `state` is the low-latency word of the opening ("granted", ...).
CFinding LowLatencyFinding(const std::string& node, const std::string& state, bool refused);
// `adapters`: the USB-serial adapters concerned (the port's, or all present).
CFinding ModemManagerFinding(bool running, const std::vector<CAdapterFacts>& adapters);
// One line per serial device present ("COM3 is /dev/ttyUSB0, FT232R USB
// UART (ftdi_sio)"; `numbers` holds each adapter's COM number, 0 for none),
// then a problem when none of them is a USB-serial adapter: the commonest
// dead cable is one that is not plugged in.
std::vector<CFinding> DeviceFindings(const std::vector<CAdapterFacts>& adapters,
                                     const std::vector<int>& numbers);
// `portAdapter` is the port's adapter, or nullptr without a port; a port
// that is missing counts as claimed, since brltty takes the device away.
CFinding BrlttyFinding(const std::vector<CBrlttyClaim>& claims, bool running, bool havePort,
                       const CAdapterFacts* portAdapter, bool portMissing);
CFinding GroupsFinding(const std::vector<CDeviceAccess>& devices, const CGroupFacts& groups);
// The probe's line; the likely causes of silence come in order, first those
// the findings before it point at.
CFinding ProbeFinding(const CProbeFacts& probe, const std::vector<CFinding>& before,
                      std::vector<std::string>& causes);

// The fix for a want of permission on a device of `group`.
std::string GroupFix(const std::string& group, const CGroupFacts& groups);
// The udev rule that makes ModemManager leave an adapter alone.
std::string ModemManagerRule(const CAdapterFacts& adapter);

} // namespace DoctorFindings
