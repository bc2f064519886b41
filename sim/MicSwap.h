#pragma once
#include "sim/VirtualMic.h"

#include <cstdint>
#include <functional>
#include <string>

class ITickClock;

// Plays a production line on one virtual microphone. A set time after the
// first session that wrote to the microphone has ended, or one whose
// transfer broke off (a job that failed before or during its write), the
// microphone is unplugged (never in the middle of a session; later
// sessions, whether they write or only read, do not restart the count), so
// that failed microphones are put aside as good ones are taken away. The line then stays
// empty until it has ignored kEmptyProbes entry requests at the
// microphone's rate and at least kMinEmptyMs have passed, so that a
// program that probes the line sees it empty, and the next microphone is
// plugged in with the image that `next` gives. When `next` has none left,
// the line stays empty.
class CMicSwap
{
public:
    // Fills the next microphone's image; false when there is none.
    using NextImage = std::function<bool(CVirtualMic::Image& image, std::string& origin)>;
    // Told of every unplugging and plugging in, for the user.
    using Notice = std::function<void(const std::string& text)>;

    static constexpr int kEmptyProbes = 2;
    static constexpr uint32_t kMinEmptyMs = 1000;

    // Takes over `mic`'s receive hook and its transfer-end handler; `mic`
    // and `clock` must outlive it.
    CMicSwap(CVirtualMic& mic, ITickClock& clock, uint32_t swapAfterMs, NextImage next);
    ~CMicSwap();
    CMicSwap(const CMicSwap&) = delete;
    CMicSwap& operator=(const CMicSwap&) = delete;

    void SetNotice(Notice notice) { m_notice = std::move(notice); }

    // To be called when a session that wrote to the microphone has ended
    // (the microphone's stored handler).
    void NoteWritten();

    // The microphone in place now, counted from 1; 0 while the line is empty.
    int Current() const { return m_empty ? 0 : m_number; }
    // Microphones plugged in so far, the first included.
    int Plugged() const { return m_number; }

private:
    void OnReceive(const uint8_t* data, std::size_t count, uint32_t rate);
    void Unplug(uint32_t now);
    void PlugNext();
    void Tell(const std::string& text) const;

    CVirtualMic& m_mic;
    ITickClock& m_clock;
    uint32_t m_swapAfterMs;
    NextImage m_next;
    Notice m_notice;
    int m_number = 1;
    bool m_written = false;
    uint32_t m_writtenAtMs = 0;
    bool m_empty = false;
    bool m_exhausted = false;
    uint32_t m_emptySinceMs = 0;
    int m_ignoredRequests = 0;
    std::string m_window;
};
