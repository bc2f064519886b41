#pragma once
#include <QObject>
#include <QTimer>

#include <memory>

// Tells when the system's serial devices may have come or gone, so that an
// open COM port dialog probes the ports again. The system's watcher watches
// from its construction to its destruction; tests emit PortsChanged
// themselves.
class IPortWatcher : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void PortsChanged();
};

// The base of the system's watchers: a change starts a wait, and one
// PortsChanged follows at its end for every change seen meanwhile. A device
// that is plugged in comes as a burst (its node, its links in
// /dev/serial/by-id, its group and mode set afterwards), which gives one
// refresh once the device can be opened; PortsChanged comes at most once per
// interval.
class CCoalescingPortWatcher : public IPortWatcher
{
    Q_OBJECT

public:
    static constexpr int kDefaultIntervalMs = 1000;

    explicit CCoalescingPortWatcher(int intervalMs = kDefaultIntervalMs, QObject* parent = nullptr);

    // A change was seen.
    void NoteChange();

private:
    QTimer m_timer;
};

// The watcher of this system; nullptr where there is none.
std::unique_ptr<IPortWatcher> CreateSystemPortWatcher();
