#include "ui/port/PortWatcher.h"

CCoalescingPortWatcher::CCoalescingPortWatcher(int intervalMs, QObject* parent)
    : IPortWatcher(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &IPortWatcher::PortsChanged);
}

void CCoalescingPortWatcher::NoteChange()
{
    if (!m_timer.isActive())
        m_timer.start();
}
