// The readers of /proc and of the lock folders.
#include "diag/DoctorSurvey.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace fs = std::filesystem;

namespace {

// A lock file of the UUCP kind is named after the device below /dev, with
// "_" for "/": LCK..ttyUSB0, LCK..pts_3.
constexpr const char* kLockPrefix = "LCK..";
constexpr const char* kDevFolder = "/dev/";
// The master side of every pseudo-terminal, and the line of its fdinfo
// that names the terminal a descriptor of it serves.
constexpr const char* kPtyMasters[] = {"/dev/ptmx", "/dev/pts/ptmx"};
constexpr const char* kPtsFolder = "/dev/pts/";
constexpr const char* kTtyIndex = "tty-index:";

std::string LockName(const std::string& node)
{
    std::string name = node.compare(0, std::string(kDevFolder).size(), kDevFolder) == 0
                           ? node.substr(std::string(kDevFolder).size())
                           : fs::path(node).filename().string();
    for (char& c : name)
        if (c == '/')
            c = '_';
    return kLockPrefix + name;
}

bool IsPtyMaster(const fs::path& target)
{
    for (const char* master : kPtyMasters)
        if (target == master)
            return true;
    return false;
}

// Whether descriptor `fd` of a process is the master of pseudo-terminal
// `node`. Where the system does not tell which terminal a master serves,
// any master counts.
bool IsMasterOf(const fs::path& process, const std::string& fd, const std::string& node)
{
    const std::string pts(kPtsFolder);
    if (node.compare(0, pts.size(), pts) != 0)
        return false;
    std::ifstream info(process / "fdinfo" / fd);
    const std::string index(kTtyIndex);
    for (std::string line; std::getline(info, line);) {
        if (line.compare(0, index.size(), index) == 0) {
            std::size_t at = index.size();
            while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
                ++at;
            return line.substr(at) == node.substr(pts.size());
        }
    }
    return true;
}

// The process id that a folder name of /proc is; 0 when it is not one.
int PidOf(const std::string& name)
{
    if (name.empty() || name.size() > 9)
        return 0;
    for (const char c : name)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return 0;
    return std::stoi(name);
}

std::string FirstLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The owner that a lock file names: ten decimal digits (UUCP, and Qt's lock
// files on their first line), or the binary int of old programs.
int LockOwner(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), {});
    std::size_t at = 0;
    while (at < content.size() && content[at] == ' ')
        ++at;
    long pid = 0;
    std::size_t digits = 0;
    while (at < content.size() && std::isdigit(static_cast<unsigned char>(content[at])) &&
           digits < 10) {
        pid = pid * 10 + (content[at] - '0');
        ++at;
        ++digits;
    }
    if (digits > 0)
        return static_cast<int>(pid);
    if (content.size() == sizeof(uint32_t)) {
        // In the writer's byte order, which is this machine's.
        uint32_t binary = 0;
        std::memcpy(&binary, content.data(), sizeof binary);
        constexpr uint32_t kMostPid = 0x3FFFFFFF;
        return binary > 0 && binary <= kMostPid ? static_cast<int>(binary) : 0;
    }
    return 0;
}

} // namespace

namespace DoctorSurvey {

std::vector<CHolder> FindHolders(const std::string& proc, const std::string& node, int selfPid,
                                 int& hidden)
{
    std::vector<CHolder> holders;
    hidden = 0;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(proc, error)) {
        const int pid = PidOf(entry.path().filename().string());
        if (pid == 0 || pid == selfPid)
            continue;
        std::error_code fdError;
        fs::directory_iterator fds(entry.path() / "fd", fdError);
        if (fdError) {
            ++hidden;
            continue;
        }
        bool holds = false;
        bool master = false;
        for (const fs::directory_entry& fd : fds) {
            std::error_code linkError;
            const fs::path target = fs::read_symlink(fd.path(), linkError);
            if (linkError)
                continue;
            if (target == node)
                holds = true;
            else if (IsPtyMaster(target) &&
                     IsMasterOf(entry.path(), fd.path().filename().string(), node))
                master = true;
        }
        if (holds)
            holders.push_back({pid, ProgramOf(proc, pid), master});
    }
    return holders;
}

std::string ProgramOf(const std::string& proc, int pid)
{
    const fs::path folder = fs::path(proc) / std::to_string(pid);
    std::error_code error;
    if (!fs::exists(folder, error))
        return {};
    const std::string name = FirstLine(folder / "comm");
    return name.empty() ? "process " + std::to_string(pid) : name;
}

bool IsProgramRunning(const std::string& proc, const std::string& program)
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(proc, error))
        if (PidOf(entry.path().filename().string()) != 0 &&
            FirstLine(entry.path() / "comm") == program)
            return true;
    return false;
}

std::vector<CLockFacts> FindLocks(const CMachinePaths& paths, const std::string& node)
{
    std::vector<CLockFacts> locks;
    std::set<std::string> seen;
    const std::string name = LockName(node);
    for (const std::string& folder : paths.lockFolders) {
        std::error_code error;
        const fs::path real = fs::canonical(folder, error);
        if (error || !seen.insert(real.string()).second)
            continue;
        const fs::path file = fs::path(folder) / name;
        if (!fs::exists(file, error))
            continue;
        CLockFacts lock;
        lock.path = file.string();
        lock.pid = LockOwner(file);
        if (lock.pid > 0) {
            lock.program = ProgramOf(paths.proc, lock.pid);
            lock.ownerAlive = !lock.program.empty();
        }
        locks.push_back(lock);
    }
    return locks;
}

} // namespace DoctorSurvey
