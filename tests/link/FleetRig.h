#pragma once
#include "core/Clock.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "sim/InProcessLine.h"
#include "sim/MicSwap.h"
#include "sim/VirtualMic.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// An image that is not the microphone's new configuration.
inline CVirtualMic::Image PatternImage()
{
    CVirtualMic::Image image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 7 + 3);
    return image;
}

// One port of a fleet inside the test: a virtual microphone on an
// in-process line with a clock of its own, which only the port's thread
// moves (its reads and its pauses).
struct CFleetRigPort
{
    explicit CFleetRigPort(std::string device) : name(std::move(device))
    {
        line.SetDeviceName(name);
    }

    // The link the port's thread makes for itself.
    std::unique_ptr<CMicLink> MakeLink()
    {
        auto link = std::make_unique<CMicLink>(line.Factory(), ticks, local);
        link->SetDeviceName(name);
        return link;
    }
    void Pause(uint32_t ms) { ticks.Advance(ms); }

    // A production line: `microphones` in all, the first as the microphone
    // is now, the others each with an image of its own (byte 2 holds its
    // number), unplugged `swapAfterMs` after being written. Every session
    // that wrote is counted against the microphone in place. Microphone
    // number `programmed` comes holding PatternImage().
    void PlayBatch(uint32_t swapAfterMs, int microphones, int programmed = 0)
    {
        writes.assign(static_cast<std::size_t>(microphones), 0);
        swap = std::make_unique<CMicSwap>(
            mic, ticks, swapAfterMs,
            [this, microphones, programmed](CVirtualMic::Image& image, std::string& origin) {
                if (swap->Plugged() >= microphones)
                    return false;
                image.fill(0xFF);
                image[2] = static_cast<uint8_t>(swap->Plugged() + 1);
                if (swap->Plugged() + 1 == programmed)
                    image = PatternImage();
                if (plugging)
                    plugging(swap->Plugged() + 1);
                origin = "test";
                return true;
            });
        mic.SetStoredHandler([this] {
            const std::lock_guard<std::mutex> lock(mutex);
            ++writes[static_cast<std::size_t>(swap->Current() - 1)];
            swap->NoteWritten();
        });
    }

    std::string name;
    CManualTickClock ticks{1000};
    CFixedClock local{10, 0, 0};
    CVirtualMic mic;
    CInProcessLine line{mic, ticks};
    std::unique_ptr<CMicSwap> swap;
    std::mutex mutex;
    std::vector<int> writes; // writing sessions per microphone
    // Told the number of each microphone of the batch as it is plugged in
    // (from 2), to give it faults of its own.
    std::function<void(int number)> plugging;
};
