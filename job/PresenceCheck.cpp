#include "job/PresenceCheck.h"

#include "job/ProgrammingJob.h"
#include "link/MicLink.h"
#include "link/Protocol.h"

#include <algorithm>

namespace {

// Notes the opening and the first answer of the entry request.
class CPresenceObserver : public IWireObserver
{
public:
    explicit CPresenceObserver(CPresenceReport& report) : m_report(report) {}

    void OnWire(bool toDevice, const uint8_t* bytes, std::size_t count, uint32_t,
                uint32_t rate) override
    {
        if (toDevice || count == 0 || m_report.rate != 0)
            return;
        if (bytes[0] == Wire::kSyn)
            m_report.rate = rate;
        else
            m_report.bytesHeard = true;
    }

    void OnOpened(const std::string& name, LowLatency lowLatency) override
    {
        m_report.device = name;
        m_report.lowLatency = lowLatency;
    }

private:
    CPresenceReport& m_report;
};

} // namespace

CPresenceReport CheckPresence(CMicLink& link)
{
    CPresenceReport report;
    CPresenceObserver observer(report);
    link.ClearIdRecord();
    link.SetWireObserver(&observer);
    report.presence = ProbeMicrophone(link);
    link.SetWireObserver(nullptr);
    report.openFailure = link.LastOpenFailure();
    if (report.presence != Presence::kPresent) {
        report.rate = 0;
        return report;
    }
    const CMicLink::IdRecord& record = link.GetIdRecord();
    report.identified =
        std::any_of(record.begin(), record.end(), [](uint8_t byte) { return byte != 0; });
    if (report.identified) {
        report.knownModel = link.IsKnownModel(CConstBytes(record.data(), Wire::kModelIdSize));
        report.model = RecordModelText(record.data());
        report.version = RecordVersionText(record.data());
    }
    return report;
}
