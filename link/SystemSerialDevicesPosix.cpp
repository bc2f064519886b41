#include "link/SystemSerialDevices.h"

#include "core/StringList.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#endif

namespace {

constexpr const char* kByIdFolder = "/dev/serial/by-id";
constexpr const char* kByPathFolder = "/dev/serial/by-path";
#ifdef __linux__
constexpr const char* kUdevDataFolder = "/run/udev/data";
// A symbolic link that udev made, or meant to make, under /dev: "S:serial/by-id/...".
constexpr const char* kUdevLinkPrefix = "S:";
constexpr const char* kDevFolder = "/dev/";
#endif

std::string CanonicalCharDevice(const std::string& name)
{
    char* resolved = ::realpath(name.c_str(), nullptr);
    if (!resolved)
        return {};
    const std::string path(resolved);
    std::free(resolved);
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode))
        return {};
    return path;
}

// Every link in `folder`, by the node it leads to.
void AddLinks(const char* folder, std::vector<CSerialDeviceInfo>& devices,
              std::vector<std::string> CSerialDeviceInfo::*field)
{
    const QDir dir(QString::fromLatin1(folder));
    for (const QFileInfo& link :
         dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const std::string path = link.absoluteFilePath().toStdString();
        const std::string node = CanonicalCharDevice(path);
        for (CSerialDeviceInfo& device : devices)
            if (device.node == node)
                AddOnce(device.*field, path);
    }
}

#ifdef __linux__
// The links that udev's record of the device names, made or not.
void AddUdevLinks(CSerialDeviceInfo& device)
{
    struct stat info
    {
    };
    if (::stat(device.node.c_str(), &info) != 0)
        return;
    const std::string record = std::string(kUdevDataFolder) + "/c" +
                               std::to_string(major(info.st_rdev)) + ":" +
                               std::to_string(minor(info.st_rdev));
    std::ifstream in(record);
    const std::string byId = std::string("S:serial/by-id/");
    const std::string byPath = std::string("S:serial/by-path/");
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, byId.size(), byId) == 0)
            AddOnce(device.byId, kDevFolder + line.substr(std::string(kUdevLinkPrefix).size()));
        else if (line.compare(0, byPath.size(), byPath) == 0)
            AddOnce(device.byPath, kDevFolder + line.substr(std::string(kUdevLinkPrefix).size()));
}
#endif

#ifdef __APPLE__
// macOS lists each port twice, as /dev/cu.* and /dev/tty.*; the call-out
// device does not wait for the carrier and is the one to open.
bool IsDialInTwin(const std::string& node, const std::vector<std::string>& nodes)
{
    const std::string dialIn = "/dev/tty.";
    if (node.compare(0, dialIn.size(), dialIn) != 0)
        return false;
    const std::string twin = "/dev/cu." + node.substr(dialIn.size());
    return std::find(nodes.begin(), nodes.end(), twin) != nodes.end();
}
#endif

} // namespace

std::vector<CSerialDeviceInfo> CSystemSerialDevices::Present() const
{
    std::vector<std::string> nodes;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const std::string node = CanonicalCharDevice(info.systemLocation().toStdString());
        if (!node.empty())
            AddOnce(nodes, node);
    }
    std::vector<CSerialDeviceInfo> devices;
    for (const std::string& node : nodes) {
#ifdef __APPLE__
        if (IsDialInTwin(node, nodes))
            continue;
#endif
        CSerialDeviceInfo device;
        device.node = node;
#ifdef __linux__
        AddUdevLinks(device);
#endif
        devices.push_back(device);
    }
    AddLinks(kByIdFolder, devices, &CSerialDeviceInfo::byId);
    AddLinks(kByPathFolder, devices, &CSerialDeviceInfo::byPath);
    return devices;
}

std::string CSystemSerialDevices::Resolve(const std::string& name) const
{
    return CanonicalCharDevice(name);
}
