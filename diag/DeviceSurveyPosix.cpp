// The readers of devices, /sys, udev's records and rules.
#include "diag/DoctorSurvey.h"

#include "link/PortNumbering.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#else
#include <fcntl.h>
#endif

namespace fs = std::filesystem;

namespace {

// USB-serial chips that brltty's rules are known to take for braille displays.
struct CSerialChip
{
    const char* vendorId;
    const char* productId;
    const char* name;
};
constexpr CSerialChip kSerialChips[] = {
    {"1a86", "7523", "CH340"},
    {"10c4", "ea60", "CP210x"},
    {"0403", "6001", "FT232R"},
    {"067b", "2303", "PL2303"},
};

#ifdef __linux__
// The majors of the Unix98 pseudo-terminal slaves, /dev/pts/N.
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;
// Folders from a tty's device up to the USB device that has the ids.
constexpr int kUsbSearchDepth = 4;
#endif

std::string Trimmed(std::string text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text;
}

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string GroupName(gid_t gid)
{
    const group* entry = ::getgrgid(gid);
    return entry ? entry->gr_name : std::to_string(gid);
}

std::string UserName(uid_t uid)
{
    const passwd* entry = ::getpwuid(uid);
    return entry ? entry->pw_name : std::to_string(uid);
}

#ifdef __linux__
std::string CharDeviceId(dev_t device)
{
    return std::to_string(major(device)) + ":" + std::to_string(minor(device));
}
#endif

// A USB id as ENV{PRODUCT} writes it: hexadecimal without leading zeros.
std::string ProductField(const char* id)
{
    std::string text(id);
    while (text.size() > 1 && text[0] == '0')
        text.erase(0, 1);
    return text;
}

// Whether a rule file claims the chip: brltty matches ENV{PRODUCT}
// ("1a86/7523/*", "403/6001/*") or the ATTRS of the vendor and product on
// one line.
bool Claims(const std::string& rules, const CSerialChip& chip)
{
    const std::string lower = Lower(rules);
    const std::string product =
        "\"" + ProductField(chip.vendorId) + "/" + ProductField(chip.productId) + "/";
    if (lower.find(product) != std::string::npos)
        return true;
    std::size_t start = 0;
    while (start < lower.size()) {
        std::size_t end = lower.find('\n', start);
        if (end == std::string::npos)
            end = lower.size();
        const std::string line = lower.substr(start, end - start);
        if (line.find("idvendor}==\"" + std::string(chip.vendorId)) != std::string::npos &&
            line.find("idproduct}==\"" + std::string(chip.productId)) != std::string::npos)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

namespace DoctorSurvey {

CDeviceFacts ReadDevice(const CMachinePaths& paths, const std::string& path)
{
    CDeviceFacts facts;
    facts.path = path;
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        return facts;
    std::error_code error;
    facts.node = fs::canonical(path, error).string();
    if (S_ISREG(info.st_mode)) {
        facts.kind = CDeviceFacts::Kind::RegularFile;
        return facts;
    }
    if (S_ISFIFO(info.st_mode)) {
        facts.kind = CDeviceFacts::Kind::Fifo;
        return facts;
    }
    if (S_ISDIR(info.st_mode)) {
        facts.kind = CDeviceFacts::Kind::Directory;
        return facts;
    }
    if (!S_ISCHR(info.st_mode)) {
        facts.kind = CDeviceFacts::Kind::Other;
        return facts;
    }
    struct stat null
    {
    };
    if (::stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode) && null.st_rdev == info.st_rdev) {
        facts.kind = CDeviceFacts::Kind::NullDevice;
        return facts;
    }
    facts.owner = UserName(info.st_uid);
    facts.group = GroupName(info.st_gid);
    facts.groupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    facts.mayOpen = ::access(path.c_str(), R_OK | W_OK) == 0;
#ifdef __linux__
    // Whether it is a terminal is read from /sys, never by opening it: an
    // opening alone makes some devices act (a watchdog starts its count).
    facts.pseudoTerminal =
        major(info.st_rdev) >= kFirstPtyMajor && major(info.st_rdev) <= kLastPtyMajor;
    const fs::path subsystem =
        fs::path(paths.sys) / "dev/char" / CharDeviceId(info.st_rdev) / "subsystem";
    const bool tty = fs::read_symlink(subsystem, error).filename() == "tty";
    facts.kind = facts.pseudoTerminal || tty ? CDeviceFacts::Kind::Terminal
                                             : CDeviceFacts::Kind::NotTerminal;
#else
    (void)paths;
    // Without /sys: a terminal device answers isatty on a descriptor opened
    // without waiting for the carrier.
    facts.kind = CDeviceFacts::Kind::NotTerminal;
    if (facts.mayOpen) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) {
            if (::isatty(fd))
                facts.kind = CDeviceFacts::Kind::Terminal;
            ::close(fd);
        }
    } else {
        facts.kind = CDeviceFacts::Kind::Terminal;
    }
    facts.pseudoTerminal = path.find("/dev/ttys") == 0;
#endif
    return facts;
}

CAdapterFacts ReadAdapter(const CMachinePaths& paths, const std::string& node)
{
    CAdapterFacts adapter;
    adapter.node = node;
    adapter.builtIn = PortNumbering::IsBuiltIn(node);
#ifdef __linux__
    std::error_code error;
    const std::string name = fs::path(node).filename().string();
    const fs::path device =
        fs::canonical(fs::path(paths.sys) / "class/tty" / name / "device", error);
    if (!error) {
        adapter.driver = fs::read_symlink(device / "driver", error).filename().string();
        fs::path folder = device;
        for (int depth = 0; depth < kUsbSearchDepth && !folder.empty(); ++depth) {
            if (fs::exists(folder / "idVendor", error)) {
                adapter.vendorId = Trimmed(ReadAll(folder / "idVendor"));
                adapter.productId = Trimmed(ReadAll(folder / "idProduct"));
                adapter.product = Trimmed(ReadAll(folder / "product"));
                break;
            }
            folder = folder.parent_path();
        }
    }
    struct stat info
    {
    };
    if (::stat(node.c_str(), &info) == 0 && S_ISCHR(info.st_mode)) {
        const std::string record =
            ReadAll(fs::path(paths.udevData) / ("c" + CharDeviceId(info.st_rdev)));
        adapter.modemManagerIgnores = record.find("E:ID_MM_DEVICE_IGNORE=1") != std::string::npos;
    }
#else
    (void)paths;
#endif
    return adapter;
}

CDeviceAccess ReadAccess(const std::string& node)
{
    CDeviceAccess access;
    access.node = node;
    struct stat info
    {
    };
    if (::stat(node.c_str(), &info) != 0)
        return access;
    access.group = GroupName(info.st_gid);
    access.groupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    access.userMayOpen = ::access(node.c_str(), R_OK | W_OK) == 0;
    return access;
}

std::vector<CBrlttyClaim> ReadBrlttyClaims(const std::vector<std::string>& rulesFolders)
{
    std::vector<CBrlttyClaim> claims;
    std::set<std::string> seen;
    for (const std::string& folder : rulesFolders) {
        std::error_code error;
        std::vector<fs::path> files;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
            files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            const std::string name = file.filename().string();
            if (file.extension() != ".rules" || !seen.insert(name).second ||
                name.find("brltty") == std::string::npos)
                continue;
            // A rule masked by a link to /dev/null (or an empty file) claims nothing.
            const std::string rules = ReadAll(file);
            CBrlttyClaim claim;
            claim.rulesFile = file.string();
            for (const CSerialChip& chip : kSerialChips) {
                if (!Claims(rules, chip))
                    continue;
                const std::string id = std::string(chip.vendorId) + ":" + chip.productId;
                claim.chips.push_back(std::string(chip.name) + " (" + id + ")");
                claim.ids.push_back(id);
            }
            if (!claim.ids.empty())
                claims.push_back(claim);
        }
    }
    return claims;
}

} // namespace DoctorSurvey
