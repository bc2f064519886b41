#pragma once
#include "core/Clock.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "sim/InProcessLine.h"
#include "sim/VirtualMic.h"

#include <cstdint>
#include <string>
#include <vector>

// A link to a virtual microphone inside the test, on a clock the test owns.
struct CLinkRig
{
    static constexpr const char* kDevice = "/dev/vmic";

    explicit CLinkRig(uint32_t listenRate = CVirtualMic::kDefaultListenRate)
        : mic(listenRate), line(mic, ticks), link(line.Factory(), ticks, local)
    {
        line.SetDeviceName(kDevice);
        link.SetDeviceName(kDevice);
        link.SetBlockSize(256);
    }

    // Opens the port and enters programming mode with the mask agreed.
    bool Connect()
    {
        uint8_t id[16] = {};
        return link.Open() == 1 && link.EnterProgramMode() == 0 && link.Identify(id) == 0;
    }

    // The program's bytes since the last ClearTranscript, with the mask removed.
    std::vector<uint8_t> SentPlain(uint8_t mask) const
    {
        std::vector<uint8_t> bytes = line.Sent();
        for (uint8_t& byte : bytes)
            byte ^= mask;
        return bytes;
    }
    std::vector<uint8_t> ReceivedPlain(uint8_t mask) const
    {
        std::vector<uint8_t> bytes = line.Received();
        for (uint8_t& byte : bytes)
            byte ^= mask;
        return bytes;
    }

    // Rates at which each "PROGRAM" went out.
    std::vector<uint32_t> ProbeRates() const
    {
        std::vector<uint32_t> rates;
        const auto& wire = line.Transcript();
        const std::string request = "PROGRAM";
        for (std::size_t i = 0; i + request.size() <= wire.size(); ++i) {
            bool match = true;
            for (std::size_t k = 0; k < request.size() && match; ++k)
                match = wire[i + k].toDevice && wire[i + k].byte == uint8_t(request[k]);
            if (match)
                rates.push_back(wire[i].rate);
        }
        return rates;
    }

    CManualTickClock ticks{1000};
    CFixedClock local{10, 0, 0};
    CVirtualMic mic;
    CInProcessLine line;
    CMicLink link;
};

// Faults set by `set` on a copy of the defaults.
template <class Setter> CMicFaults MakeFaults(Setter set)
{
    CMicFaults faults;
    set(faults);
    return faults;
}

inline std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> bytes;
    for (const int value : values)
        bytes.push_back(static_cast<uint8_t>(value));
    return bytes;
}
