#include "link/MicLink.h"

#include "core/Clock.h"
#include "link/TickClock.h"

#include <algorithm>
#include <cstring>

const std::array<std::array<uint8_t, Wire::kModelIdSize>, 1> kAcceptedModels{{
    {'P', 'V', 'H', 'M', '_', '8', '1', '2'},
}};

namespace {
constexpr uint32_t kSeedModulo = 256;
} // namespace

CMicLink::CMicLink() : m_localClock(CSystemClock::Instance()) {}

CMicLink::CMicLink(ITickClock& ticks)
    : CMicLink(SystemDeviceFactory(ticks), ticks, CSystemClock::Instance())
{
}

CMicLink::CMicLink(ByteDeviceFactory factory, ITickClock& ticks, const ILocalClock& localClock)
    : CMaskedPort(std::move(factory), ticks), m_localClock(localClock)
{
}

CMicLink::~CMicLink() = default;

uint8_t CMicLink::Seed(int minute, int second)
{
    return static_cast<uint8_t>(static_cast<uint32_t>(minute + second) % kSeedModulo);
}

std::string CMicLink::SettingsSuffix() const
{
    const std::string& settings = GetSettings();
    const std::size_t comma = settings.find(',', 1);
    return comma == std::string::npos ? std::string() : settings.substr(comma);
}

uint16_t CMicLink::WireBlockLength() const
{
    const auto length = static_cast<uint16_t>(m_blockSize & 0xFFFF);
    return length > Wire::kBlockSize ? 0 : length;
}

int CMicLink::FailEntry(uint32_t savedTimeout, const std::string& suffix)
{
    PumpMessages();
    SetSettings(std::to_string(Wire::kWorkingRate) + suffix);
    SetReadTimeout(savedTimeout);
    return 1;
}

int CMicLink::EnterProgramMode()
{
    ResetMask();
    const uint32_t savedTimeout = GetReadTimeout();
    const std::string suffix = SettingsSuffix();

    bool accepted = false;
    for (const Wire::CProbeRate& probe : Wire::kProbeRates) {
        PumpMessages();
        if (StopRequested())
            break;
        SetSettings(std::to_string(probe.rate) + suffix);
        if (!IsLineClean()) {
            WaitMs(Ticks(), Wire::kLineCheckPauseMs);
            if (!IsLineClean())
                return FailEntry(savedTimeout, suffix);
        }
        if (!WriteString(Wire::kEntryRequest)) {
            PumpMessages();
            SetReadTimeout(savedTimeout);
            return 1;
        }
        SetReadTimeout(probe.replyTimeoutMs);
        PumpMessages();
        uint8_t reply = 0;
        if (Read(&reply, 1) && reply == Wire::kSyn) {
            accepted = true;
            break;
        }
    }
    if (!accepted)
        return FailEntry(savedTimeout, suffix);

    SetSettings(std::to_string(Wire::kWorkingRate) + suffix);
    SetReadTimeout(Wire::kConfirmationTimeoutMs);
    PumpMessages();
    const uint32_t start = Ticks().NowMs();
    while (true) {
        uint8_t reply = 0;
        if (!Read(&reply, 1))
            return FailEntry(savedTimeout, suffix);
        if (reply == Wire::kAck) {
            SetReadTimeout(Wire::kProgramModeTimeoutMs);
            return 0;
        }
        if (Ticks().NowMs() - start > Wire::kConfirmationTimeoutMs)
            return FailEntry(savedTimeout, suffix);
    }
}

int CMicLink::Identify(CMutableBytes buffer)
{
    if (buffer.size() < Wire::kIdBufferSize)
        return 1;
    WaitMs(Ticks(), Wire::kIdentifyPauseMs);
    if (!WriteByte(Wire::kStx) ||
        !Read(m_idRecord.data(), static_cast<uint16_t>(m_idRecord.size())))
        return 1;
    std::memcpy(buffer.data(), m_idRecord.data(), Wire::kIdBufferSize);

    const CLocalTime now = m_localClock.Now();
    const uint8_t seed = Seed(now.minute, now.second);
    uint8_t reply = 0;
    if (!WriteByte(seed) || !WriteByte(Wire::kAck) || !Read(&reply, 1) || reply != Wire::kAck)
        return 1;
    const uint8_t sum = Wire::Sum8(m_idRecord.data() + Wire::kMaskSumOffset, Wire::kMaskSumSize);
    SetMask(sum ^ seed);
    return 0;
}

bool CMicLink::IsKnownModel(CConstBytes id) const
{
    if (id.size() < Wire::kModelIdSize)
        return false;
    return std::any_of(kAcceptedModels.begin(), kAcceptedModels.end(), [&](const auto& model) {
        return std::memcmp(id.data(), model.data(), model.size()) == 0;
    });
}

int CMicLink::ReadBlock(CMutableBytes destination, int index)
{
    m_blockAnswer = BlockAnswer::kNone;
    const uint16_t length = WireBlockLength();
    if (length == 0)
        return kReadAttemptsFailed;
    if (destination.size() < length)
        return kReadBufferTooSmall;
    const auto address = Wire::BlockAddress(index);
    bool damaged = false;
    for (int attempt = 0; attempt < Wire::kBlockAttempts; ++attempt) {
        if (!WriteByte(Wire::kReadCommand))
            return kReadCommandWriteFailed;
        if (!WriteBuffer(address.data(), static_cast<uint16_t>(address.size())))
            return kReadAddressWriteFailed;
        uint8_t reply = 0;
        if (!Read(&reply, 1))
            continue;
        if (reply == Wire::kDataBlock) {
            uint8_t checksum = 0;
            if (!Read(destination.data(), length) || !Read(&checksum, 1))
                continue;
            if (checksum != Wire::Sum8(destination.data(), length)) {
                damaged = true;
                if (!WriteByte(Wire::kNak))
                    return kReadNakWriteFailed;
                uint8_t answer = 0;
                if (!Read(&answer, 1) || answer == Wire::kAck)
                    continue;
                m_blockAnswer = BlockAnswer::kDamaged;
                return kReadNakNotAcknowledged;
            }
        } else {
            uint8_t fill = 0;
            if (!Read(&fill, 1))
                continue;
            std::memset(destination.data(), fill, length);
        }
        if (!WriteByte(Wire::kAck))
            return kReadAckWriteFailed;
        uint8_t last = 0;
        if (!Read(&last, 1))
            continue;
        m_blockAnswer = last == Wire::kAck ? BlockAnswer::kOk : BlockAnswer::kRefused;
        return last == Wire::kAck ? 0 : kReadNotAcknowledged;
    }
    if (damaged)
        m_blockAnswer = BlockAnswer::kDamaged;
    return kReadAttemptsFailed;
}

bool CMicLink::ReadByteWithin(uint32_t timeoutMs, uint8_t& byte, bool stoppable)
{
    const uint32_t saved = GetReadTimeout();
    SetReadTimeout(timeoutMs);
    SetReadsStoppable(stoppable);
    const bool ok = Read(&byte, 1) != 0;
    SetReadsStoppable(false);
    SetReadTimeout(saved);
    return ok;
}

int CMicLink::WriteBlock(CConstBytes block, int index)
{
    m_blockAnswer = BlockAnswer::kNone;
    const uint16_t length = WireBlockLength();
    if (length == 0 || block.size() < length)
        return 1;
    const uint8_t* source = block.data();
    const uint8_t checksum = Wire::Sum8(source, length);
    const bool allEqual =
        std::all_of(source, source + length, [&](uint8_t byte) { return byte == source[0]; });
    const auto address = Wire::BlockAddress(index);
    for (int attempt = 0; attempt < Wire::kBlockAttempts; ++attempt) {
        if (!WriteByte(allEqual ? Wire::kFillBlock : Wire::kDataBlock) ||
            !WriteBuffer(address.data(), static_cast<uint16_t>(address.size())))
            return 1;
        if (allEqual) {
            if (!WriteByte(source[0]))
                return 1;
        } else if (!WriteBuffer(source, length) || !WriteByte(checksum)) {
            return 1;
        }
        uint8_t answer = 0;
        if (!ReadByteWithin(Wire::kBlockWriteTimeoutMs, answer)) {
            m_blockAnswer = BlockAnswer::kNone;
            return 1;
        }
        if (answer == Wire::kAck) {
            m_blockAnswer = BlockAnswer::kOk;
            return 0;
        }
        m_blockAnswer = BlockAnswer::kRefused;
    }
    return 1;
}

int CMicLink::PrepareWrite()
{
    if (!WriteByte(Wire::kPrepareWrite) ||
        !WriteBuffer(Wire::kPrepareArgument.data(),
                     static_cast<uint16_t>(Wire::kPrepareArgument.size())))
        return 1;
    uint8_t answer = 0;
    // The longest wait of all: a stop does not wait it out.
    return ReadByteWithin(Wire::kPrepareTimeoutMs, answer, true) && answer == Wire::kAck ? 0 : 1;
}

bool CMicLink::SendEnd()
{
    uint8_t answer = 0;
    return WriteByte(Wire::kEnd) && Read(&answer, 1) && answer == Wire::kAck;
}

int CMicLink::EndProgramMode()
{
    if (SendEnd())
        return 0;
    SetSettings(std::to_string(Wire::kSecondEndRate) + SettingsSuffix());
    return SendEnd() ? 0 : 1;
}

int CMicLink::AbortWrite()
{
    uint8_t answer = 0;
    return WriteByte(Wire::kAbort) && Read(&answer, 1) && answer == Wire::kAck ? 0 : 1;
}
