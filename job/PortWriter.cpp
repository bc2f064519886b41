#include "job/PortWriter.h"

#include "link/Transfer.h"
#include "text/TextCatalog.h"

#include <algorithm>
#include <memory>

namespace {

constexpr const char* kLanguage = "English";

// What one port needs to write one microphone after another. Its transfers
// show only the blocks that move, which it tells its port.
class CPortWriter : private ITransferView
{
public:
    CPortWriter(const CConfigStore::Image& image, CJobSettings settings, const ILocalClock& clock,
                CMicLink& link, bool check)
        : m_check(check), m_loaded(m_texts.SelectLanguage(kLanguage)), m_store(&m_texts),
          m_transfer(link, m_store, m_texts, *this),
          m_job(link, m_transfer, m_store, clock, std::move(settings))
    {
        std::copy(image.begin(), image.end(), m_store.WorkingImage());
        m_store.ImageToTransfer();
        m_store.ImageToSaved();
    }

    CMicRecord Write(const CJobContext& progress)
    {
        if (!m_loaded) {
            CMicRecord record;
            record.operation = m_check ? Operation::kVerify : Operation::kWrite;
            record.stage = JobStage::kPort;
            record.cause.kind = CauseKind::kNoTexts;
            return record;
        }
        m_block = progress.block;
        m_job.SetPhaseObserver(progress.phase);
        m_job.SetMicrophone(progress.microphone, progress.label);
        return m_check ? m_job.Verify() : m_job.Write();
    }

private:
    void SetCaption(const std::string&) override {}
    void SetCounterText(const std::string&) override {}
    void SetBarRange(int maximum) override { m_total = maximum; }
    void SetBarPosition(int position) override
    {
        if (m_block && position > 0)
            m_block(position, m_total);
    }

    const bool m_check;
    CTextCatalog m_texts;
    const bool m_loaded;
    CConfigStore m_store;
    BlockReport m_block;
    int m_total = 0;
    CTransfer m_transfer;
    CProgrammingJob m_job;
};

} // namespace

MicJobFactory MakePortWriters(const CConfigStore::Image& image, const CJobSettings& settings,
                              const ILocalClock& clock, bool check)
{
    return [image, settings, &clock, check](CMicLink& link, const std::string& port) -> MicJob {
        CJobSettings own = settings;
        own.port = port;
        auto writer = std::make_shared<CPortWriter>(image, std::move(own), clock, link, check);
        return [writer](CMicLink&, const CJobContext& progress) { return writer->Write(progress); };
    };
}
