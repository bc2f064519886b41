#include "diag/PortTrouble.h"

#include "diag/DoctorSurvey.h"
#include "link/ByteDevice.h"

std::string OpenFailureText(const COpenFailure& failure, const std::string& device)
{
    switch (failure.kind) {
    case COpenFailure::Kind::None:
        return {};
    case COpenFailure::Kind::PermissionDenied:
        return "permission denied: add your user to the group that owns " + device +
               ", e.g. dialout, and log in again";
    case COpenFailure::Kind::NoDevice:
        if (device.empty())
            return "no serial device has that port number ('qzm530rx-cli ports' lists them)";
        break;
    case COpenFailure::Kind::Other:
        break;
    }
    return device + ": " + (failure.reason.empty() ? "it cannot be opened" : failure.reason);
}

std::string PortTrouble(const std::string& device, const CDoctorSeams& seams)
{
    if (device.empty())
        return "no serial device has that number";
    const CPortSurvey port = SurveyPort(device, seams);
    std::vector<CFinding> findings = port.findings;
    for (const CFinding& finding : SurveyMachine(&port, seams))
        findings.push_back(finding);
    std::string text;
    for (const CFinding& finding : findings) {
        // The groups of the machine are said for the port by its permission.
        if (finding.ok || finding.kind == FindingKind::kGroups)
            continue;
        text += (text.empty() ? "" : "; ") + BriefReason(finding);
    }
    return text;
}
