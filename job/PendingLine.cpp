#include "job/PendingLine.h"

#include "job/PendingLineSlots.h"

#include <cstring>
#include <mutex>

namespace {

std::mutex g_mutex; // taking and giving back slots

} // namespace

CPendingLineSlot g_pendingLines[kPendingLineSlots];

CPendingLine::CPendingLine() : m_slot(kPendingLineSlots)
{
    const std::lock_guard<std::mutex> lock(g_mutex);
    for (std::size_t i = 0; i < kPendingLineSlots; ++i) {
        if (!g_pendingLines[i].taken) {
            g_pendingLines[i].taken = true;
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
    Release();
    if (m_slot == kPendingLineSlots || path.size() >= kPendingPathRoom ||
        header.size() + line.size() >= kPendingTextRoom)
        return;
    CPendingLineSlot& slot = g_pendingLines[m_slot];
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    std::memcpy(slot.text, header.data(), header.size());
    std::memcpy(slot.text + header.size(), line.data(), line.size());
    slot.headerSize = header.size();
    slot.size = header.size() + line.size();
    slot.held = true;
}

void CPendingLine::Release()
{
    if (m_slot != kPendingLineSlots)
        g_pendingLines[m_slot].held = false;
}
