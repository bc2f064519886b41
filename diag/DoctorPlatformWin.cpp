// doctor on Windows: the port checks that apply there (it exists and opens,
// or another program holds it); the probe follows in DoctorProbe.cpp. The
// machine has nothing of ModemManager, brltty or device groups.
#include "diag/DoctorSurvey.h"

#include <windows.h>

namespace {

// "COM12" opens only in the device namespace, "\\.\COM12".
std::string NamespaceName(const std::string& device)
{
    const std::string prefix = "\\\\.\\";
    return device.compare(0, prefix.size(), prefix) == 0 ? device : prefix + device;
}

} // namespace

CDoctorSeams SystemDoctorSeams()
{
    return {};
}

CPortSurvey SurveyPort(const std::string& device, const CDoctorSeams&)
{
    CPortSurvey port;
    port.node = device;
    const HANDLE handle = CreateFileA(NamespaceName(device).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        port.findings.push_back({FindingKind::kPort, true, device + " exists and opens", {}});
        port.findings.push_back(
            {FindingKind::kHolders, true, "no other program holds " + device, {}});
        port.probeAllowed = true;
        return port;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        port.missing = true;
        port.findings.push_back({FindingKind::kPort, false, device + " does not exist",
                                 "plug the cable in, and see its COM number in the Device "
                                 "Manager under \"Ports (COM & LPT)\""});
    } else if (error == ERROR_ACCESS_DENIED) {
        port.findings.push_back({FindingKind::kPort, true, device + " exists", {}});
        port.findings.push_back({FindingKind::kHolders, false,
                                 device + " is held open by another program",
                                 "close the other program that uses the port"});
    } else {
        port.findings.push_back({FindingKind::kPort, false,
                                 device + " does not open (system error " +
                                     std::to_string(static_cast<unsigned long>(error)) + ")",
                                 "plug the cable in again, or reinstall the adapter's driver"});
    }
    port.notProbedReason = port.findings.back().text;
    return port;
}

std::vector<CFinding> SurveyMachine(const CPortSurvey*, const CDoctorSeams&)
{
    return {};
}
