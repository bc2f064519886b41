#pragma once
#include "job/PortStation.h"
#include "link/ByteDevice.h"

#include <cstdint>
#include <string>

class CMicLink;

// What the presence probe of a production line learns about a port, told
// in full: whether it opened (and why not), what its driver gave for low
// latency, whether a microphone answered, at which rate, and as which model.
struct CPresenceReport
{
    Presence presence = Presence::kPortFailed;
    COpenFailure openFailure; // when the port did not open
    std::string device;       // the device opened
    LowLatency lowLatency = LowLatency::NotOffered;
    uint32_t rate = 0;       // the probe rate the entry was answered at
    bool bytesHeard = false; // bytes came that were not the answer
    bool identified = false; // the identification record arrived
    bool knownModel = false;
    std::string model;
    std::string version;
};

// Probes the link's port once as ProbeMicrophone does (open, entry,
// identification, end, close; no block is read or written) and reports what
// it saw. The link's wire observer is used meanwhile and cleared after.
CPresenceReport CheckPresence(CMicLink& link);
