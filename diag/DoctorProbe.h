#pragma once
#include "diag/DoctorFindings.h"

#include <vector>

struct CPortSurvey;

// Probes the microphone on the surveyed port as a production line probes it
// (open, entry at the seven rates, identification, end, close; nothing is
// written) when the survey allows it, and tells what it saw. The low-latency
// line of the opening, when the port opened, goes to `opening`.
CProbeFacts ProbePort(const CPortSurvey& port, std::vector<CFinding>& opening);
