// Plays the microphone with the fuzzer's bytes. A virtual microphone answers
// as it would, and the input edits each of its answers on the way to the
// program (kept, dropped, late, a byte changed, cut short, bytes of the
// input in its place or after it): the entry's SYN and ACK, the
// identification record, block data and sums, the ACKs and NAKs, the end;
// the first byte gives the microphone faults of its own (blocks stored
// wrong, writes refused, a bad sum, noise before the entry's ACK). A
// confirmed read and a write with its read-back run over it, on a clock of
// the target's own, so no time-out is waited out.
//
// Whatever happens, the jobs end, and what they call read or verified stands
// on answers that checked out, as an audit of the wire sees them: a block
// kept by a read came, in two sessions that identified an accepted model, as
// a data block whose sum matched (or in the fill form) and was acknowledged
// both ways; a write called verified was read back whole, with the image
// written, in such a session after the last block written. A read that
// failed leaves the store's image as it was.
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "job/ProgrammingJob.h"
#include "link/MicLink.h"
#include "link/TickClock.h"
#include "link/Transfer.h"
#include "sim/VirtualMic.h"
#include "text/TextCatalog.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// The edits, one per answer, taken from the input in order; once it is
// used up every answer goes through as the microphone sent it.
class CAnswerScript
{
public:
    CAnswerScript(const uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    // Edits one answer; `delayMs` may grow.
    void Edit(std::vector<uint8_t>& bytes, uint32_t& delayMs)
    {
        if (m_at >= m_size)
            return;
        static constexpr uint32_t kDelaysMs[] = {0, 0, 0, 0, 120, 600, 3200, 21000};
        const uint8_t control = Next();
        delayMs += kDelaysMs[(control >> 3) % 8];
        switch (control % 8) {
        case 3: // lost
            bytes.clear();
            break;
        case 4: // a byte changed
            if (!bytes.empty())
                bytes[Next() % bytes.size()] ^= static_cast<uint8_t>(Next() | 1);
            break;
        case 5: // something else in its place
            bytes = Take(Next() % (bytes.size() + 2));
            break;
        case 6: // cut short
            if (!bytes.empty())
                bytes.resize(Next() % bytes.size());
            break;
        case 7: { // something more after it
            const std::vector<uint8_t> more = Take(Next() % 4 + 1);
            bytes.insert(bytes.end(), more.begin(), more.end());
            break;
        }
        default: // as it was
            break;
        }
    }

private:
    uint8_t Next() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::vector<uint8_t> Take(std::size_t count)
    {
        std::vector<uint8_t> bytes;
        while (bytes.size() < count && m_at < m_size)
            bytes.push_back(m_data[m_at++]);
        return bytes;
    }

    const uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// What travelled, as the program saw it: what it wrote, and what its reads
// got, in order.
struct CWireEvent
{
    bool sent;
    std::vector<uint8_t> bytes;
};

// The program's end of a line to the microphone, with the script between.
class CAnswerDevice : public IByteDevice
{
public:
    CAnswerDevice(CVirtualMic& mic, CManualTickClock& clock, CAnswerScript& script,
                  std::vector<CWireEvent>& wire)
        : m_mic(mic), m_clock(clock), m_script(script), m_wire(wire)
    {
    }

    bool Open(const std::string&) override
    {
        m_open = true;
        m_incoming.clear();
        return true;
    }
    bool Close() override
    {
        m_open = false;
        return true;
    }
    bool IsOpen() const override { return m_open; }
    bool SetQueueSizes(uint16_t, uint16_t) override { return m_open; }
    bool SetLine(const CLineSettings& settings) override
    {
        m_rate = settings.rate;
        return m_open;
    }
    bool SetDtr(bool) override { return m_open; }
    bool SetRts(bool) override { return m_open; }
    bool PurgeInput() override
    {
        const uint32_t now = m_clock.NowMs();
        while (!m_incoming.empty() && static_cast<int32_t>(m_incoming.front().at - now) <= 0)
            m_incoming.pop_front();
        return m_open;
    }
    bool Write(const uint8_t* data, std::size_t count) override
    {
        if (!m_open)
            return false;
        m_wire.push_back({true, {data, data + count}});
        std::vector<CMicSend> replies;
        m_mic.Receive(data, count, m_rate, replies);
        uint32_t at = m_clock.NowMs();
        for (CMicSend& send : replies) {
            m_script.Edit(send.bytes, send.delayMs);
            at += send.delayMs;
            for (const uint8_t byte : send.bytes)
                m_incoming.push_back({at, send.rate, byte});
        }
        return true;
    }
    std::size_t Read(uint8_t* buffer, std::size_t count, uint32_t timeoutMs) override
    {
        if (!m_open)
            return 0;
        const uint32_t deadline = m_clock.NowMs() + timeoutMs;
        std::size_t got = 0;
        while (got < count && !m_incoming.empty() &&
               static_cast<int32_t>(m_incoming.front().at - deadline) <= 0) {
            const CPending pending = m_incoming.front();
            m_incoming.pop_front();
            if (static_cast<int32_t>(pending.at - m_clock.NowMs()) > 0)
                m_clock.Set(pending.at);
            if (pending.rate == m_rate)
                buffer[got++] = pending.byte;
        }
        if (got < count)
            m_clock.Set(deadline);
        if (got > 0)
            m_wire.push_back({false, {buffer, buffer + got}});
        return got;
    }
    bool TakeLineClean() override { return m_open; }
    bool IsRs232() override { return m_open; }

private:
    struct CPending
    {
        uint32_t at;
        uint32_t rate;
        uint8_t byte;
    };

    CVirtualMic& m_mic;
    CManualTickClock& m_clock;
    CAnswerScript& m_script;
    std::vector<CWireEvent>& m_wire;
    std::deque<CPending> m_incoming;
    uint32_t m_rate = 0;
    bool m_open = false;
};

using Block = std::vector<uint8_t>;

// The wire read again, on its own, from the program's side: which sessions
// identified an accepted model, the blocks that came in them in a form that
// checks out and were acknowledged both ways, and the sessions that wrote.
class CWireAudit
{
public:
    explicit CWireAudit(const std::vector<CWireEvent>& wire)
    {
        for (std::size_t i = 0; i < wire.size(); ++i)
            if (wire[i].sent)
                Sent(wire[i].bytes, Delivered(wire, i + 1));
    }

    // Sessions that delivered block `index` as `content`, checked out.
    std::set<int> SessionsWith(int index, const Block& content) const
    {
        std::set<int> sessions;
        const auto found = m_blocks.find(index);
        if (found != m_blocks.end())
            for (const auto& [session, block] : found->second)
                if (block == content)
                    sessions.insert(session);
        return sessions;
    }
    int LastWritingSession() const { return m_lastWriting; }
    int Sessions() const { return m_session; }

private:
    // The bytes the program read after event `from`, until it wrote again.
    static std::vector<uint8_t> Delivered(const std::vector<CWireEvent>& wire, std::size_t from)
    {
        std::vector<uint8_t> bytes;
        for (std::size_t i = from; i < wire.size() && !wire[i].sent; ++i)
            bytes.insert(bytes.end(), wire[i].bytes.begin(), wire[i].bytes.end());
        return bytes;
    }

    void Sent(const std::vector<uint8_t>& masked, std::vector<uint8_t> answer)
    {
        if (masked.size() == Wire::kEntryRequestSize &&
            std::equal(masked.begin(), masked.end(), Wire::kEntryRequest)) {
            ++m_session;
            m_mask = 0;
            m_step = Step::kEntry;
            m_accepted = false;
            return;
        }
        std::vector<uint8_t> plain = masked;
        for (uint8_t& byte : plain)
            byte ^= m_mask;
        for (uint8_t& byte : answer)
            byte ^= m_mask;
        switch (m_step) {
        case Step::kEntry:
            if (plain.size() == 1 && plain[0] == Wire::kStx) {
                m_record = answer;
                m_step = Step::kSeed;
            }
            return;
        case Step::kSeed:
            m_seed = plain.at(0);
            m_step = Step::kSeedAck;
            return;
        case Step::kSeedAck:
            m_step = Step::kEntry;
            if (plain.size() != 1 || plain[0] != Wire::kAck || answer.empty() ||
                answer[0] != Wire::kAck || m_record.size() < Wire::kIdRecordSize)
                return;
            m_mask = static_cast<uint8_t>(
                Wire::Sum8(m_record.data() + Wire::kMaskSumOffset, Wire::kMaskSumSize) ^ m_seed);
            m_accepted = std::equal(m_record.begin(), m_record.begin() + Wire::kModelIdSize,
                                    CVirtualMic::kDefaultModel);
            m_step = Step::kCommand;
            return;
        case Step::kCommand:
            Command(plain);
            return;
        case Step::kAddress:
            m_address = plain.size() == Wire::kAddressSize ? (plain[0] << 8) | plain[1] : -1;
            m_reply = answer;
            m_step = m_pendingCommand == Wire::kReadCommand ? Step::kReadAck
                     : m_pendingCommand == Wire::kDataBlock ? Step::kWriteData
                                                            : Step::kCommand;
            if (m_pendingCommand != Wire::kReadCommand)
                m_lastWriting = m_session;
            if (m_pendingCommand == Wire::kFillBlock)
                m_step = Step::kWriteSum; // the fill value, one byte like a sum
            return;
        case Step::kWriteData:
            m_step = Step::kWriteSum;
            return;
        case Step::kWriteSum:
            m_step = Step::kCommand;
            return;
        case Step::kReadAck:
            m_step = Step::kCommand;
            if (plain.size() == 1 && plain[0] == Wire::kAck && !answer.empty() &&
                answer[0] == Wire::kAck && m_accepted)
                TakeReply();
            Command(plain);
            return;
        }
    }

    void Command(const std::vector<uint8_t>& plain)
    {
        if (plain.size() != 1)
            return;
        if (plain[0] == Wire::kReadCommand || plain[0] == Wire::kDataBlock ||
            plain[0] == Wire::kFillBlock) {
            m_pendingCommand = plain[0];
            m_step = Step::kAddress;
        }
    }

    // The reply to a read of block m_address, when it checks out.
    void TakeReply()
    {
        if (m_address < 0 || m_reply.empty())
            return;
        Block block;
        if (m_reply[0] == Wire::kDataBlock) {
            if (m_reply.size() < 2 + Wire::kBlockSize ||
                Wire::Sum8(m_reply.data() + 1, Wire::kBlockSize) != m_reply[1 + Wire::kBlockSize])
                return;
            block.assign(m_reply.begin() + 1, m_reply.begin() + 1 + Wire::kBlockSize);
        } else {
            if (m_reply.size() < 2)
                return;
            block.assign(Wire::kBlockSize, m_reply[1]);
        }
        m_blocks[m_address].push_back({m_session, block});
    }

    enum class Step
    {
        kEntry,
        kSeed,
        kSeedAck,
        kCommand,
        kAddress,
        kReadAck,
        kWriteData, // a data block's 256 bytes
        kWriteSum   // its sum, or a fill block's value
    };
    Step m_step = Step::kEntry;
    int m_session = 0;
    uint8_t m_mask = 0;
    uint8_t m_seed = 0;
    bool m_accepted = false;
    std::vector<uint8_t> m_record;
    uint8_t m_pendingCommand = 0;
    int m_address = -1;
    std::vector<uint8_t> m_reply;
    int m_lastWriting = 0;
    std::map<int, std::vector<std::pair<int, Block>>> m_blocks;
};

Block BlockOf(const uint8_t* image, int index)
{
    const uint8_t* start = image + Wire::kBlockSize * static_cast<std::size_t>(index);
    return Block(start, start + Wire::kBlockSize);
}

struct CNoView : ITransferView
{
    void SetCaption(const std::string&) override {}
    void SetCounterText(const std::string&) override {}
    void SetBarRange(int) override {}
    void SetBarPosition(int) override {}
};

const CTextCatalog& Texts()
{
    static CTextCatalog texts;
    static const bool selected = texts.SelectLanguage("English");
    Check(selected);
    return texts;
}

constexpr uint32_t kVerifyWaitMs = 3000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks faults of the microphone itself, so that a write
    // can be stored wrong and its read-back differ.
    CMicFaults faults;
    faults.badStores = data[0] & 3;
    faults.nakWrites = (data[0] >> 2) & 3;
    faults.badChecksumOnce = (data[0] & 0x10) != 0;
    faults.confirmNoise = (data[0] >> 5) & 3;
    CAnswerScript script(data + 1, size - 1);
    std::vector<CWireEvent> wire;
    CManualTickClock ticks(1000);
    const CFixedClock local(10, 17, 42);
    CVirtualMic mic;
    mic.SetFaults(faults);
    for (std::size_t i = 0; i < mic.GetImage().size(); ++i)
        mic.GetImage()[i] = static_cast<uint8_t>(i * 3 + (i >> 8));
    // Block 4 goes in the fill form.
    std::fill_n(mic.GetImage().begin() + 4 * Wire::kBlockSize, Wire::kBlockSize, 0x5A);
    CMicLink link([&] { return std::make_unique<CAnswerDevice>(mic, ticks, script, wire); }, ticks,
                  local);
    link.SetDeviceName("/dev/fuzz");

    CConfigStore store(&Texts());
    store.Reset();
    CNoView view;
    CTransfer transfer(link, store, Texts(), view);
    CJobSettings settings;
    settings.port = "/dev/fuzz";
    settings.dataFile = "fuzz.dat";
    settings.verifyWaitMs = kVerifyWaitMs;
    CProgrammingJob job(link, transfer, store, local, settings);

    // A confirmed read.
    CConfigStore::Image before{};
    std::copy_n(store.WorkingImage(), before.size(), before.begin());
    const CMicRecord read = job.Read();
    {
        const CWireAudit audit(wire);
        if (read.result == JobResult::kVerified) {
            for (int i = 0; i < static_cast<int>(Wire::kBlockCount); ++i)
                Check(audit.SessionsWith(i, BlockOf(store.WorkingImage(), i)).size() >= 2);
        } else {
            Check(read.result == JobResult::kFailed);
            Check(std::equal(before.begin(), before.end(), store.WorkingImage()));
        }
    }

    // A write of another image, read back.
    for (std::size_t i = 0; i < CConfigStore::kImageSize; ++i)
        store.WorkingImage()[i] = static_cast<uint8_t>(i * 5 + 1);
    wire.clear();
    const CMicRecord written = job.Write();
    const CWireAudit audit(wire);
    if (written.result == JobResult::kVerified) {
        bool readBack = false;
        for (int session = audit.LastWritingSession() + 1; !readBack && session <= audit.Sessions();
             ++session) {
            readBack = true;
            for (int i = 0; i < static_cast<int>(Wire::kBlockCount) && readBack; ++i)
                readBack = audit.SessionsWith(i, BlockOf(store.WorkingImage(), i)).count(session);
        }
        Check(readBack);
    }
    return 0;
}
