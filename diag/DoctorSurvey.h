#pragma once
// How `doctor` looks at the machine: small readers of /proc, /sys, the lock
// folders, udev's records and rules, and the user's groups. Every path is a
// parameter and the groups and running services come through interfaces,
// so tests hand in folders and lists of their own.
#include "diag/DoctorFindings.h"

#include <memory>
#include <string>
#include <vector>

// The user's groups. The system's answer reads the group database.
class IUserGroups
{
public:
    virtual ~IUserGroups() = default;
    virtual CGroupFacts Groups() const = 0;
};

// Whether a program runs. The system's answer reads /proc.
class IServiceCheck
{
public:
    virtual ~IServiceCheck() = default;
    virtual bool IsRunning(const std::string& program) const = 0;
};

// Where the readers look.
struct CMachinePaths
{
    std::string proc = "/proc";
    std::string sys = "/sys";
    std::string udevData = "/run/udev/data";
    std::vector<std::string> lockFolders{"/run/lock", "/var/lock"};
    // In udev's order: a file in an earlier folder hides one of its name in a later.
    std::vector<std::string> udevRules{"/etc/udev/rules.d", "/run/udev/rules.d",
                                       "/lib/udev/rules.d", "/usr/lib/udev/rules.d"};
};

// Everything doctor reads the machine through.
struct CDoctorSeams
{
    CMachinePaths paths;
    std::shared_ptr<const IUserGroups> groups;
    std::shared_ptr<const IServiceCheck> services;
    int selfPid = 0;
    // The serial devices present (nodes), for the groups and ModemManager.
    std::vector<std::string> serialDevices;
    // Their COM numbers, in the same order; 0 for a device without one.
    std::vector<int> serialNumbers;
};

// The machine itself: the real folders, groups, services and devices.
CDoctorSeams SystemDoctorSeams();

namespace DoctorSurvey {

// The processes other than `selfPid` with a descriptor open on `node`;
// `hidden` counts the processes whose descriptors could not be read.
std::vector<CHolder> FindHolders(const std::string& proc, const std::string& node, int selfPid,
                                 int& hidden);
// The program name of process `pid`; empty when there is no such process.
std::string ProgramOf(const std::string& proc, int pid);
// Whether a process of that program name runs.
bool IsProgramRunning(const std::string& proc, const std::string& program);
// The lock files of `node` ("LCK..ttyUSB0") in the lock folders, each folder
// once, with their owners.
std::vector<CLockFacts> FindLocks(const CMachinePaths& paths, const std::string& node);
// The port's device as the file system shows it, without opening it.
CDeviceFacts ReadDevice(const CMachinePaths& paths, const std::string& path);
// The driver and USB ids of a device node, from /sys and udev's record.
CAdapterFacts ReadAdapter(const CMachinePaths& paths, const std::string& node);
// The group and access of a device present.
CDeviceAccess ReadAccess(const std::string& node);
// The rules of brltty that claim USB-serial chips, after udev's overriding.
std::vector<CBrlttyClaim> ReadBrlttyClaims(const std::vector<std::string>& rulesFolders);

} // namespace DoctorSurvey

// What doctor found on the port before probing it.
struct CPortSurvey
{
    std::vector<CFinding> findings;
    bool missing = false;
    bool probeAllowed = false;
    std::string notProbedReason;
    std::string node; // the device to open
    CAdapterFacts adapter;
};

// The port's findings: existence, kind, permission, holders, lock files,
// driver. Never opens the device and never blocks.
CPortSurvey SurveyPort(const std::string& device, const CDoctorSeams& seams);
// The machine's findings: ModemManager, brltty, the groups. `port` is the
// port's survey, or nullptr when no port was named.
std::vector<CFinding> SurveyMachine(const CPortSurvey* port, const CDoctorSeams& seams);
