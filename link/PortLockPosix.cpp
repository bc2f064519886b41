#include "link/PortLock.h"

#include <atomic>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

// The folders that Qt looks for a lock folder in, in its order.
constexpr const char* kLockFolders[] = {"/var/lock",       "/etc/locks", "/var/spool/locks",
                                        "/var/spool/uucp", "/tmp",       "/var/lock/lockdev",
                                        "/run/lock"};
constexpr const char* kDevFolder = "/dev/";
constexpr std::size_t kMostLocks = 8;
constexpr std::size_t kPathRoom = 256;

// Written under the mutex, read by the signal handler: a slot's path is
// whole before its flag is set, and the flag is cleared before it changes.
struct CLockSlot
{
    std::atomic<bool> used{false};
    char path[kPathRoom] = {};
    char device[kPathRoom] = {};
};
CLockSlot g_slots[kMostLocks];
std::mutex g_mutex;

// "LCK..ttyUSB0", "LCK..pts_3": the device below /dev, "/" as "_".
std::string LockName(const std::string& device)
{
    std::string name = device.compare(0, std::strlen(kDevFolder), kDevFolder) == 0
                           ? device.substr(std::strlen(kDevFolder))
                           : device.substr(device.rfind('/') + 1);
    for (char& c : name)
        if (c == '/')
            c = '_';
    return "LCK.." + name;
}

// Whether the lock file at `path` names this process as its owner.
bool OwnedHere(const std::string& path)
{
    std::ifstream in(path);
    long pid = 0;
    return in >> pid && pid == static_cast<long>(::getpid());
}

} // namespace

void NotePortLock(const std::string& device)
{
    const std::string name = LockName(device);
    for (const char* folder : kLockFolders) {
        const std::string path = std::string(folder) + "/" + name;
        if (path.size() >= kPathRoom || device.size() >= kPathRoom || !OwnedHere(path))
            continue;
        const std::lock_guard<std::mutex> lock(g_mutex);
        for (CLockSlot& slot : g_slots) {
            if (slot.used)
                continue;
            std::strncpy(slot.path, path.c_str(), kPathRoom - 1);
            std::strncpy(slot.device, device.c_str(), kPathRoom - 1);
            slot.used = true;
            return;
        }
        return;
    }
}

void ForgetPortLock(const std::string& device)
{
    const std::lock_guard<std::mutex> lock(g_mutex);
    for (CLockSlot& slot : g_slots)
        if (slot.used && device == slot.device)
            slot.used = false;
}

void RemovePortLocksNow()
{
    for (CLockSlot& slot : g_slots)
        if (slot.used)
            ::unlink(slot.path);
}
