#pragma once
// What went wrong with a transfer, in one line of the tool's own: the cause
// from the session's result, and the next step.
#include "link/Session.h"
#include "link/Transfer.h"

#include <string>

struct COpenFailure;

// "no answer to the entry into programming mode at any of the seven rates",
// "NAK on block 3" (blocks counted 1 to 9, as the progress counts them), "the connection was lost
// after block 4", "the microphone identified as 'PVHM_999', not as a VHM-81/82", "the port does not
// open: ..."; empty for a session that is done. `device` and `failure` tell why a port did not
// open.
std::string FailureCause(TransferMode mode, const CSessionResult& session,
                         const std::string& device, const COpenFailure& failure);

// Whether doctor is the next step after such a failure: the port, or no
// answer to the entry.
bool CallsForDoctor(const CSessionResult& session);
