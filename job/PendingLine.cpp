#include "job/PendingLine.h"

#include "job/PendingLineSlots.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

std::mutex g_mutex; // taking and giving back slots
// How long a job that finds its line being written waits, and waits again,
// for the process to end.
constexpr int kEndingWaitMs = 100;

} // namespace

CPendingLineSlot g_pendingLines[kPendingLineSlots];

CPendingLine::CPendingLine() : m_slot(kPendingLineSlots)
{
    const std::lock_guard<std::mutex> lock(g_mutex);
    for (std::size_t i = 0; i < kPendingLineSlots; ++i) {
        if (!g_pendingLines[i].taken) {
            g_pendingLines[i].taken = true;
            g_pendingLines[i].state = kPendingIdle;
            m_slot = i;
            return;
        }
    }
}

CPendingLine::~CPendingLine()
{
    Release();
    if (m_slot == kPendingLineSlots)
        return;
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_pendingLines[m_slot].taken = false;
}

void CPendingLine::Hold(const std::string& path, const std::string& header, const std::string& line)
{
    if (m_slot == kPendingLineSlots || !Release() || path.size() >= kPendingPathRoom ||
        header.size() + line.size() >= kPendingTextRoom)
        return;
    CPendingLineSlot& slot = g_pendingLines[m_slot];
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    std::memcpy(slot.text, header.data(), header.size());
    std::memcpy(slot.text + header.size(), line.data(), line.size());
    slot.headerSize = header.size();
    slot.size = header.size() + line.size();
    slot.state = kPendingHeld;
}

bool CPendingLine::Release()
{
    if (m_slot == kPendingLineSlots)
        return true;
    CPendingLineSlot& slot = g_pendingLines[m_slot];
    for (;;) {
        int state = kPendingHeld;
        if (slot.state.compare_exchange_strong(state, kPendingIdle) || state == kPendingIdle)
            return true;
        if (state == kPendingWritten)
            return false;
        // The handler is writing the line held, and the process ends then.
        std::this_thread::sleep_for(std::chrono::milliseconds(kEndingWaitMs));
    }
}
