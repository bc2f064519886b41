#include "ui/port/PortWatcher.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include <windows.h>

#include <dbt.h>

namespace {

// Windows tells every top-level window of a COM port that arrives or goes
// with WM_DEVICECHANGE; the filter sees those messages of the program's
// windows, the open COM port dialog's among them.
class CWindowsPortWatcher : public CCoalescingPortWatcher, public QAbstractNativeEventFilter
{
public:
    CWindowsPortWatcher() { QCoreApplication::instance()->installNativeEventFilter(this); }
    ~CWindowsPortWatcher() override { QCoreApplication::instance()->removeNativeEventFilter(this); }
    CWindowsPortWatcher(const CWindowsPortWatcher&) = delete;
    CWindowsPortWatcher& operator=(const CWindowsPortWatcher&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_DEVICECHANGE &&
            (msg->wParam == DBT_DEVICEARRIVAL || msg->wParam == DBT_DEVICEREMOVECOMPLETE))
            NoteChange();
        return false;
    }
};

} // namespace

std::unique_ptr<IPortWatcher> CreateSystemPortWatcher()
{
    return std::make_unique<CWindowsPortWatcher>();
}
