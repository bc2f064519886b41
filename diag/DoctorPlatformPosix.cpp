// doctor on Linux and macOS: the port's and the machine's findings from the
// readers, and the machine's own groups and services.
#include "diag/DoctorSurvey.h"

#include "core/StringList.h"
#include "link/SystemPorts.h"
#include "link/SystemSerialDevices.h"

#include <algorithm>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr const char* kModemManager = "ModemManager";
constexpr const char* kBrltty = "brltty";

std::string NameOfGroup(gid_t gid)
{
    const group* entry = ::getgrgid(gid);
    return entry ? entry->gr_name : std::to_string(gid);
}

// The groups of this process, and those the group database gives the user.
class CSystemGroups : public IUserGroups
{
public:
    CGroupFacts Groups() const override
    {
        CGroupFacts facts;
        const uid_t uid = ::geteuid();
        facts.root = uid == 0;
        const passwd* user = ::getpwuid(uid);
        facts.user = user ? user->pw_name : std::to_string(uid);
        const int count = ::getgroups(0, nullptr);
        std::vector<gid_t> session(count > 0 ? static_cast<std::size_t>(count) : 0);
        if (count > 0 && ::getgroups(count, session.data()) == count)
            for (const gid_t gid : session)
                AddOnce(facts.session, NameOfGroup(gid));
        AddOnce(facts.session, NameOfGroup(::getegid()));
        if (user) {
            constexpr int kMostGroups = 256;
            int found = kMostGroups;
            std::vector<gid_t> database(kMostGroups);
#ifdef __APPLE__
            std::vector<int> asInts(kMostGroups);
            if (::getgrouplist(user->pw_name, static_cast<int>(user->pw_gid), asInts.data(),
                               &found) >= 0)
                for (int i = 0; i < found; ++i)
                    AddOnce(facts.database, NameOfGroup(static_cast<gid_t>(asInts[i])));
#else
            if (::getgrouplist(user->pw_name, user->pw_gid, database.data(), &found) >= 0)
                for (int i = 0; i < found; ++i)
                    AddOnce(facts.database, NameOfGroup(database[i]));
#endif
        }
        return facts;
    }
};

// A program runs when a process of /proc carries its name.
class CProcServices : public IServiceCheck
{
public:
    explicit CProcServices(std::string proc) : m_proc(std::move(proc)) {}
    bool IsRunning(const std::string& program) const override
    {
        return DoctorSurvey::IsProgramRunning(m_proc, program);
    }

private:
    std::string m_proc;
};

} // namespace

CDoctorSeams SystemDoctorSeams()
{
    CDoctorSeams seams;
    seams.groups = std::make_shared<CSystemGroups>();
    seams.services = std::make_shared<CProcServices>(seams.paths.proc);
    seams.selfPid = static_cast<int>(::getpid());
    const CPortTable numbers = SystemPortTable();
    for (const CSerialDeviceInfo& device : CSystemSerialDevices().Present()) {
        seams.serialDevices.push_back(device.node);
        const auto entry =
            std::find_if(numbers.entries.begin(), numbers.entries.end(),
                         [&device](const CPortEntry& pin) { return pin.node == device.node; });
        seams.serialNumbers.push_back(entry == numbers.entries.end() ? 0 : entry->number);
    }
    return seams;
}

CPortSurvey SurveyPort(const std::string& device, const CDoctorSeams& seams)
{
    using namespace DoctorSurvey;
    CPortSurvey port;
    const CGroupFacts groups = seams.groups->Groups();
    const CDeviceFacts facts = ReadDevice(seams.paths, device);
    port.findings = DoctorFindings::PortFindings(facts, groups);
    port.missing = facts.kind == CDeviceFacts::Kind::Missing;
    port.node = facts.node.empty() ? device : facts.node;
    if (facts.kind != CDeviceFacts::Kind::Terminal || !facts.mayOpen) {
        port.notProbedReason = port.findings.back().text;
        return port;
    }
    int hidden = 0;
    port.findings.push_back(DoctorFindings::HoldersFinding(
        port.node, FindHolders(seams.paths.proc, port.node, seams.selfPid, hidden), hidden));
    port.findings.push_back(
        DoctorFindings::LockFinding(port.node, FindLocks(seams.paths, port.node)));
    port.adapter = ReadAdapter(seams.paths, port.node);
    port.findings.push_back(DoctorFindings::DriverFinding(facts, port.adapter));
    port.probeAllowed = true;
    return port;
}

std::vector<CFinding> SurveyMachine(const CPortSurvey* port, const CDoctorSeams& seams)
{
    using namespace DoctorSurvey;
    std::vector<CAdapterFacts> adapters;
    if (port)
        adapters.push_back(port->adapter);
    else
        for (const std::string& node : seams.serialDevices)
            adapters.push_back(ReadAdapter(seams.paths, node));
    std::vector<CFinding> findings;
    if (!port)
        findings = DoctorFindings::DeviceFindings(adapters, seams.serialNumbers);
    findings.push_back(
        DoctorFindings::ModemManagerFinding(seams.services->IsRunning(kModemManager), adapters));
    findings.push_back(DoctorFindings::BrlttyFinding(
        ReadBrlttyClaims(seams.paths.udevRules), seams.services->IsRunning(kBrltty),
        port != nullptr, port ? &port->adapter : nullptr, port && port->missing));
    std::vector<CDeviceAccess> devices;
    for (const std::string& node : seams.serialDevices)
        devices.push_back(ReadAccess(node));
    findings.push_back(DoctorFindings::GroupsFinding(devices, seams.groups->Groups()));
    return findings;
}
