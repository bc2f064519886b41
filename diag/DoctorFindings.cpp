#include "diag/DoctorFindings.h"

#include <algorithm>

const char* FindingKindName(FindingKind kind)
{
    switch (kind) {
    case FindingKind::kPort:
        return "port";
    case FindingKind::kTerminal:
        return "terminal";
    case FindingKind::kPermission:
        return "permission";
    case FindingKind::kHolders:
        return "holders";
    case FindingKind::kLock:
        return "lock";
    case FindingKind::kDriver:
        return "driver";
    case FindingKind::kLowLatency:
        return "low-latency";
    case FindingKind::kModemManager:
        return "modemmanager";
    case FindingKind::kBrltty:
        return "brltty";
    case FindingKind::kGroups:
        return "groups";
    case FindingKind::kProbe:
        return "probe";
    case FindingKind::kDevices:
        return "devices";
    }
    return "";
}

std::string BriefReason(const CFinding& finding)
{
    if (finding.ok)
        return {};
    switch (finding.kind) {
    case FindingKind::kPort:
        return "the device is not there";
    case FindingKind::kTerminal:
        return "not a serial port";
    case FindingKind::kPermission:
        return finding.group.empty() ? "no permission: only the device's owner may open it"
                                     : "no permission: join the group " + finding.group;
    case FindingKind::kHolders:
        return finding.holders.empty()
                   ? "held by another program"
                   : "held by process " + std::to_string(finding.holders.front().pid) + " (" +
                         finding.holders.front().program + ")";
    case FindingKind::kLock:
        return finding.lock.pid > 0 && finding.lock.ownerAlive
                   ? "locked by process " + std::to_string(finding.lock.pid) + " (" +
                         finding.lock.program + ")"
                   : "a lock file is left behind";
    case FindingKind::kModemManager:
        return "ModemManager probes it";
    case FindingKind::kBrltty:
        return "brltty may take the adapter";
    case FindingKind::kDevices:
        return "no USB-serial adapter is connected";
    case FindingKind::kGroups:
    case FindingKind::kDriver:
    case FindingKind::kLowLatency:
    case FindingKind::kProbe:
        break;
    }
    return finding.text;
}

namespace DoctorFindings {

namespace {

constexpr const char* kRulesFile = "/etc/udev/rules.d/70-qzm530rx.rules";

bool Contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

std::string Joined(const std::vector<std::string>& items, const char* separator = ", ")
{
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : separator) + item;
    return text;
}

CFinding Ok(FindingKind kind, std::string text)
{
    CFinding finding;
    finding.kind = kind;
    finding.text = std::move(text);
    return finding;
}

CFinding Problem(FindingKind kind, std::string text, std::string fix)
{
    CFinding finding;
    finding.kind = kind;
    finding.ok = false;
    finding.text = std::move(text);
    finding.fix = std::move(fix);
    return finding;
}

std::string NotTerminalText(const CDeviceFacts& device)
{
    switch (device.kind) {
    case CDeviceFacts::Kind::NullDevice:
        return device.path +
               " is /dev/null, which takes everything and answers nothing: not a serial port";
    case CDeviceFacts::Kind::RegularFile:
        return device.path + " is a regular file, not a serial port";
    case CDeviceFacts::Kind::Fifo:
        return device.path + " is a FIFO (named pipe), not a serial port";
    case CDeviceFacts::Kind::Directory:
        return device.path + " is a folder, not a serial port";
    case CDeviceFacts::Kind::NotTerminal:
        return device.path + " is a device, but not a terminal (serial) device";
    default:
        return device.path + " is neither a file nor a device that can be a serial port";
    }
}

} // namespace

std::string GroupFix(const std::string& group, const CGroupFacts& groups)
{
    if (Contains(groups.database, group))
        return "you were added to the group " + group +
               " after this login began: log out and in again";
    return "sudo usermod -aG " + group + " $USER, then log out and in again";
}

std::vector<CFinding> PortFindings(const CDeviceFacts& device, const CGroupFacts& groups)
{
    std::vector<CFinding> findings;
    if (device.kind == CDeviceFacts::Kind::Missing) {
        findings.push_back(Problem(FindingKind::kPort, device.path + " does not exist",
                                   "plug the cable in, or name its port ('qzm530rx-cli ports' "
                                   "lists the devices)"));
        return findings;
    }
    findings.push_back(
        Ok(FindingKind::kPort,
           device.path + " exists" +
               (device.node != device.path && !device.node.empty() ? " (" + device.node + ")"
                                                                   : std::string())));
    if (device.kind != CDeviceFacts::Kind::Terminal) {
        findings.push_back(
            Problem(FindingKind::kTerminal, NotTerminalText(device),
                    "name the serial device of the cable, e.g. /dev/ttyUSB0 or a port number"));
        return findings;
    }
    findings.push_back(Ok(FindingKind::kTerminal,
                          device.pseudoTerminal ? device.node + " is a pseudo-terminal"
                                                : device.node + " is a terminal (serial) device"));
    if (device.mayOpen) {
        findings.push_back(Ok(FindingKind::kPermission, groups.user + " may open " + device.node));
        return findings;
    }
    if (device.groupMayUse && device.group != "root") {
        findings.push_back(Problem(FindingKind::kPermission,
                                   groups.user + " may not open " + device.node +
                                       ": it belongs to the group " + device.group + ", which " +
                                       groups.user + " is not in",
                                   GroupFix(device.group, groups)));
        findings.back().group = device.group;
    } else {
        findings.push_back(Problem(FindingKind::kPermission,
                                   groups.user + " may not open " + device.node +
                                       ": only its owner " + device.owner + " may",
                                   "run as " + device.owner +
                                       ", or have the administrator give the device to a group "
                                       "such as dialout"));
    }
    return findings;
}

CFinding HoldersFinding(const std::string& node, const std::vector<CHolder>& holders,
                        int hiddenProcesses)
{
    std::vector<std::string> named;
    std::vector<std::string> players;
    std::vector<CHolder> competitors;
    for (const CHolder& holder : holders) {
        const std::string name = holder.program + " (process " + std::to_string(holder.pid) + ")";
        if (holder.playsDevice) {
            players.push_back(name);
            continue;
        }
        competitors.push_back(holder);
        named.push_back(name);
    }
    if (named.empty()) {
        std::string text = "no other process has " + node + " open";
        if (!players.empty())
            text += " but " + Joined(players) + ", which plays the device at its other end";
        if (hiddenProcesses > 0)
            text += " (" + std::to_string(hiddenProcesses) +
                    " processes of other users could not be looked at; 'sudo fuser -v " + node +
                    "' shows them all)";
        return Ok(FindingKind::kHolders, text);
    }
    CFinding finding = Problem(FindingKind::kHolders, node + " is held open by " + Joined(named),
                               "close that program, or end it with 'kill " +
                                   std::to_string(competitors.front().pid) + "'");
    finding.holders = competitors;
    return finding;
}

CFinding LockFinding(const std::string& node, const std::vector<CLockFacts>& locks)
{
    for (const CLockFacts& lock : locks) {
        CFinding finding;
        if (lock.pid > 0 && !lock.ownerAlive)
            finding = Problem(FindingKind::kLock,
                              lock.path + " is stale: its owner, process " +
                                  std::to_string(lock.pid) + ", has ended",
                              "sudo rm " + lock.path);
        else if (lock.pid > 0)
            finding = Problem(FindingKind::kLock,
                              lock.path + " locks " + node + " for " + lock.program + " (process " +
                                  std::to_string(lock.pid) + ")",
                              "close that program, or end it with 'kill " +
                                  std::to_string(lock.pid) + "'");
        else
            finding =
                Problem(FindingKind::kLock, lock.path + " locks " + node + " but names no owner",
                        "if no program uses the port: sudo rm " + lock.path);
        finding.lock = lock;
        return finding;
    }
    return Ok(FindingKind::kLock, "no lock file for " + node + " in /run/lock or /var/lock");
}

CFinding DriverFinding(const CDeviceFacts& device, const CAdapterFacts& adapter)
{
    if (device.pseudoTerminal)
        return Ok(FindingKind::kDriver,
                  device.node + " is a pseudo-terminal (another program, such as qzm530rx-sim, "
                                "plays the device)");
    std::string text = device.node;
    if (adapter.IsUsb()) {
        text += ": USB adapter " + adapter.vendorId + ":" + adapter.productId;
        if (!adapter.product.empty())
            text += " (" + adapter.product + ")";
        text += adapter.driver.empty() ? "" : ", driver " + adapter.driver;
    } else if (adapter.builtIn) {
        text += ": built-in port" + (adapter.driver.empty() ? "" : ", driver " + adapter.driver);
    } else {
        text += adapter.driver.empty() ? ": driver unknown" : ": driver " + adapter.driver;
    }
    return Ok(FindingKind::kDriver, text);
}

CFinding LowLatencyFinding(const std::string& node, const std::string& state, bool refused)
{
    if (refused)
        return Problem(FindingKind::kLowLatency,
                       "low latency " + state + " on " + node +
                           ": each reply waits for the adapter's latency timer, so transfers are "
                           "slower",
                       "for an FTDI adapter: echo 1 | sudo tee "
                       "/sys/bus/usb-serial/devices/<ttyUSBn>/latency_timer");
    return Ok(FindingKind::kLowLatency, "low latency " + state + " on " + node);
}

std::string ModemManagerRule(const CAdapterFacts& adapter)
{
    return "ATTRS{idVendor}==\"" + adapter.vendorId + "\", ATTRS{idProduct}==\"" +
           adapter.productId + "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"";
}

std::vector<CFinding> DeviceFindings(const std::vector<CAdapterFacts>& adapters,
                                     const std::vector<int>& numbers)
{
    std::vector<CFinding> findings;
    bool usb = false;
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        const CAdapterFacts& adapter = adapters[i];
        const int number = i < numbers.size() ? numbers[i] : 0;
        std::string text = (number > 0 ? "COM" + std::to_string(number) + " is "
                                       : std::string("no COM number for ")) +
                           adapter.node;
        if (!adapter.product.empty())
            text += ", " + adapter.product;
        else if (adapter.IsUsb())
            text += ", USB " + adapter.vendorId + ":" + adapter.productId;
        else if (adapter.builtIn)
            text += ", a built-in port";
        if (!adapter.driver.empty())
            text += " (" + adapter.driver + ")";
        findings.push_back(Ok(FindingKind::kDevices, text));
        usb = usb || adapter.IsUsb();
    }
    if (!usb)
        findings.push_back(Problem(
            FindingKind::kDevices,
            adapters.empty() ? "no serial device is present: no USB-serial adapter is connected"
                             : "no USB-serial adapter is connected",
            "plug the programming cable in; doctor then lists it with its COM number, and "
            "'doctor --port COMn' checks it"));
    return findings;
}

CFinding ModemManagerFinding(bool running, const std::vector<CAdapterFacts>& adapters)
{
    if (!running)
        return Ok(FindingKind::kModemManager, "ModemManager is not running");
    std::vector<std::string> rules;
    std::vector<std::string> nodes;
    for (const CAdapterFacts& adapter : adapters) {
        if (!adapter.IsUsb() || adapter.modemManagerIgnores)
            continue;
        nodes.push_back(adapter.node);
        if (!Contains(rules, ModemManagerRule(adapter)))
            rules.push_back(ModemManagerRule(adapter));
    }
    if (nodes.empty())
        return Ok(FindingKind::kModemManager,
                  "ModemManager is running; it leaves the serial devices here "
                  "alone (it probes USB adapters it is not told to ignore)");
    return Problem(FindingKind::kModemManager,
                   "ModemManager is running and may probe " + Joined(nodes) +
                       " with AT commands, which the microphone does not expect",
                   "add the line " + Joined(rules, " and the line ") + " to " + kRulesFile +
                       ", run 'sudo udevadm control --reload' and plug the adapter in again");
}

CFinding BrlttyFinding(const std::vector<CBrlttyClaim>& claims, bool running, bool havePort,
                       const CAdapterFacts* portAdapter, bool portMissing)
{
    if (claims.empty())
        return Ok(FindingKind::kBrltty,
                  running ? "brltty is running, but no rule of it claims USB-serial "
                            "adapters"
                          : "no brltty rule claims USB-serial adapters");
    std::vector<std::string> chips;
    std::vector<std::string> ids;
    for (const CBrlttyClaim& claim : claims) {
        for (const std::string& chip : claim.chips)
            if (!Contains(chips, chip))
                chips.push_back(chip);
        ids.insert(ids.end(), claim.ids.begin(), claim.ids.end());
    }
    const std::string portId = portAdapter && portAdapter->IsUsb()
                                   ? portAdapter->vendorId + ":" + portAdapter->productId
                                   : std::string();
    const bool concerned = !havePort || portMissing || (!portId.empty() && Contains(ids, portId));
    const std::string text = "brltty's udev rules (" + claims.front().rulesFile + ") claim " +
                             Joined(chips) + " adapters as braille displays" +
                             (running ? "; brltty is running" : "");
    if (!concerned)
        return Ok(FindingKind::kBrltty, text + "; this port is not one of them");
    return Problem(FindingKind::kBrltty,
                   text + ": such an adapter's port disappears when it is plugged in",
                   "without a braille display: sudo apt-get remove brltty; with one: sudo ln -s "
                   "/dev/null /etc/udev/rules.d/" +
                       claims.front().rulesFile.substr(claims.front().rulesFile.rfind('/') + 1) +
                       " and plug the adapter in again");
}

CFinding GroupsFinding(const std::vector<CDeviceAccess>& devices, const CGroupFacts& groups)
{
    if (groups.root)
        return Ok(FindingKind::kGroups, groups.user + " is root and may open every serial device");
    if (devices.empty())
        return Ok(FindingKind::kGroups, "no serial device is present; the groups of " +
                                            groups.user + " are " + Joined(groups.session));
    std::vector<std::string> missing;
    std::vector<std::string> lockedOut;
    std::vector<std::string> reached;
    for (const CDeviceAccess& device : devices) {
        if (device.userMayOpen) {
            if (!device.group.empty() && !Contains(reached, device.group))
                reached.push_back(device.group);
            continue;
        }
        if (device.groupMayUse && device.group != "root" && !Contains(missing, device.group))
            missing.push_back(device.group);
        else if (!device.groupMayUse || device.group == "root")
            lockedOut.push_back(device.node);
    }
    if (!missing.empty()) {
        std::string fix;
        for (const std::string& group : missing)
            fix += (fix.empty() ? "" : "; ") + GroupFix(group, groups);
        return Problem(FindingKind::kGroups,
                       groups.user + " is not in the group " + Joined(missing, " or ") +
                           " of the serial devices here (groups: " + Joined(groups.session) + ")",
                       fix);
    }
    if (!lockedOut.empty())
        return Problem(FindingKind::kGroups,
                       Joined(lockedOut) +
                           " may be opened only by the owner, whatever the groups "
                           "of " +
                           groups.user,
                       "have the administrator give these devices to a group such as dialout");
    return Ok(FindingKind::kGroups,
              groups.user + " may open every serial device present" +
                  (reached.empty() ? "" : " (groups " + Joined(reached) + ")"));
}

CFinding ProbeFinding(const CProbeFacts& probe, const std::vector<CFinding>& before,
                      std::vector<std::string>& causes)
{
    causes.clear();
    if (!probe.probed)
        return Problem(FindingKind::kProbe, "not probed: " + probe.notProbedReason,
                       "mend the problems above first");
    if (!probe.opened)
        return Problem(FindingKind::kProbe, "the port did not open: " + probe.openFailure,
                       "mend the problems above, then run doctor again");
    if (probe.answered && probe.knownModel)
        return Ok(FindingKind::kProbe, "a " + probe.model + " answered, version " + probe.version +
                                           ", at " + std::to_string(probe.rate));
    if (probe.answered)
        return Problem(FindingKind::kProbe,
                       "a device answered at " + std::to_string(probe.rate) + " as model '" +
                           probe.model + "', which this program does not configure",
                       "connect a VHM-81 or VHM-82 microphone");
    const auto flagged = [&](FindingKind kind) {
        return std::any_of(before.begin(), before.end(),
                           [&](const CFinding& f) { return !f.ok && f.kind == kind; });
    };
    if (probe.bytesHeard)
        causes.push_back("something on the line answered, but not as a microphone does: another "
                         "serial device is on this port, or the cable is not a programming cable");
    if (flagged(FindingKind::kHolders) || flagged(FindingKind::kLock))
        causes.push_back("another program uses the port (see above) and takes the answers");
    if (flagged(FindingKind::kModemManager))
        causes.push_back("ModemManager was probing the adapter (see above)");
    causes.push_back("the microphone is not connected to the cable, or not firmly");
    causes.push_back("the microphone is not powered as the cable's instructions say");
    causes.push_back("the cable is on another port ('qzm530rx-cli ports' shows which number "
                     "leads to which device)");
    std::string steps;
    for (std::size_t i = 0; i < causes.size(); ++i)
        steps += (i == 0 ? "" : "; ") + std::string("(") + std::to_string(i + 1) + ") " + causes[i];
    return Problem(FindingKind::kProbe,
                   "nothing answered the entry request at any of the seven rates",
                   "look into the likely causes, most likely first: " + steps);
}

} // namespace DoctorFindings
