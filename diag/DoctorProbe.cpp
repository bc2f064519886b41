#include "diag/DoctorProbe.h"

#include "diag/DoctorSurvey.h"
#include "diag/PortTrouble.h"
#include "job/PresenceCheck.h"
#include "link/MicLink.h"
#include "link/TickClock.h"

CProbeFacts ProbePort(const CPortSurvey& port, std::vector<CFinding>& opening)
{
    CProbeFacts facts;
    if (!port.probeAllowed) {
        facts.notProbedReason = port.notProbedReason;
        return facts;
    }
    facts.probed = true;
    CMicLink link(CSleepingTickClock::Instance());
    link.SetDeviceName(port.node);
    const CPresenceReport presence = CheckPresence(link);
    facts.opened = presence.presence != Presence::kPortFailed;
    if (!facts.opened) {
        facts.openFailure = OpenFailureText(presence.openFailure, port.node);
        return facts;
    }
    opening.push_back(
        DoctorFindings::LowLatencyFinding(port.node, LowLatencyText(presence.lowLatency),
                                          presence.lowLatency == LowLatency::Refused));
    facts.answered = presence.presence == Presence::kPresent && presence.identified;
    facts.knownModel = presence.knownModel;
    facts.model = presence.model;
    facts.version = presence.version;
    facts.rate = presence.rate;
    facts.bytesHeard = presence.bytesHeard;
    return facts;
}
