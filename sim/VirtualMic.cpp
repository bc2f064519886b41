#include "sim/VirtualMic.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kFirmwareOffset = 8;
constexpr const char kFirmware[] = "V1.00";
// Bytes 32 to 43 of the record: whatever the microphone was built with.
constexpr std::array<uint8_t, Wire::kMaskSumSize> kMaskBytes{0x3A, 0x91, 0x07, 0xC4, 0x5E, 0x22,
                                                             0xB8, 0x6D, 0x13, 0xF0, 0x49, 0x8B};
constexpr std::size_t kCommandHeader = 1 + Wire::kAddressSize;

int AddressIndex(const std::vector<uint8_t>& pending)
{
    return (pending[1] << 8) | pending[2];
}

} // namespace

CVirtualMic::CVirtualMic(uint32_t listenRate) : m_listenRate(listenRate), m_rate(listenRate)
{
    m_image.fill(0xFF);
    BuildRecord();
}

void CVirtualMic::BuildRecord()
{
    m_record.fill(0);
    std::string model = m_faults.model.empty() ? kDefaultModel : m_faults.model;
    model.resize(Wire::kModelIdSize, ' ');
    std::memcpy(m_record.data(), model.data(), Wire::kModelIdSize);
    std::memcpy(m_record.data() + kFirmwareOffset, kFirmware, sizeof kFirmware - 1);
    std::copy(kMaskBytes.begin(), kMaskBytes.end(), m_record.begin() + Wire::kMaskSumOffset);
}

void CVirtualMic::SetFaults(const CMicFaults& faults)
{
    m_faults = faults;
    BuildRecord();
}

void CVirtualMic::Send(std::vector<CMicSend>& replies, std::vector<uint8_t> bytes, uint32_t delayMs)
{
    if (m_state != State::Listening && m_state != State::Identify && m_state != State::Seed)
        for (uint8_t& byte : bytes)
            byte ^= m_mask;
    replies.push_back({delayMs, m_rate, std::move(bytes)});
}

void CVirtualMic::Receive(const uint8_t* data, std::size_t count, uint32_t rate,
                          std::vector<CMicSend>& replies)
{
    if (m_onReceive)
        m_onReceive(data, count, rate);
    if (m_faults.silent || !m_plugged)
        return;
    if (rate != m_rate) {
        // Noise at the wrong rate: nothing of it is understood.
        m_pending.clear();
        m_entryWindow.clear();
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t byte = data[i];
        switch (m_state) {
        case State::Listening:
            Listen(byte, replies);
            break;
        case State::Identify:
            if (byte == Wire::kStx) {
                Send(replies, {m_record.begin(), m_record.end()});
                m_state = State::Seed;
                m_pending.clear();
            }
            break;
        case State::Seed:
            m_pending.push_back(byte);
            if (m_pending.size() == 2) {
                if (m_pending[1] == Wire::kAck) {
                    m_seed = m_pending[0];
                    Send(replies, {Wire::kAck});
                    m_mask = static_cast<uint8_t>(
                        Wire::Sum8(m_record.data() + Wire::kMaskSumOffset, Wire::kMaskSumSize) ^
                        m_seed);
                    m_state = State::Command;
                } else {
                    m_state = State::Identify;
                }
                m_pending.clear();
            }
            break;
        case State::Command:
        case State::ReadAck:
            m_pending.push_back(byte ^ m_mask);
            while (!m_pending.empty() && m_state != State::Listening && Command(replies)) {
            }
            break;
        }
    }
}

void CVirtualMic::Listen(uint8_t byte, std::vector<CMicSend>& replies)
{
    m_entryWindow.push_back(static_cast<char>(byte));
    if (m_entryWindow.size() > Wire::kEntryRequestSize)
        m_entryWindow.erase(0, m_entryWindow.size() - Wire::kEntryRequestSize);
    if (m_entryWindow != Wire::kEntryRequest)
        return;
    m_entryWindow.clear();
    m_mask = 0;
    m_stored = false;
    m_transferBegun = false;
    m_sessionBlocks = 0;
    Send(replies, {Wire::kSyn});
    m_rate = Wire::kWorkingRate;
    m_state = State::Identify;
    if (m_faults.confirmNoise > 0)
        Send(replies, std::vector<uint8_t>(static_cast<std::size_t>(m_faults.confirmNoise), 0x00),
             kConfirmDelayMs);
    Send(replies, {Wire::kAck}, kConfirmDelayMs + m_faults.confirmDelayMs);
}

bool CVirtualMic::Command(std::vector<CMicSend>& replies)
{
    const uint8_t command = m_pending[0];
    std::size_t used = 1;
    if (m_state == State::ReadAck) {
        if (command == Wire::kAck) {
            Send(replies, {Wire::kAck});
            m_state = State::Command;
            m_pending.erase(m_pending.begin());
            ++m_blocksServed;
            ++m_sessionBlocks;
            AfterBlock(m_servingBlock);
            return true;
        }
        // NAK or anything else: the block is asked for again.
        if (command == Wire::kNak)
            Send(replies, {Wire::kAck});
        m_state = State::Command;
        m_pending.erase(m_pending.begin());
        return true;
    }

    switch (command) {
    case Wire::kReadCommand: {
        if (m_pending.size() < kCommandHeader)
            return false;
        used = kCommandHeader;
        m_transferBegun = true;
        const int index = AddressIndex(m_pending);
        if (index < 0 || static_cast<std::size_t>(index) >= Wire::kBlockCount) {
            Send(replies, {Wire::kNak});
            break;
        }
        const uint8_t* block = m_image.data() + Wire::kBlockSize * index;
        const bool allEqual =
            std::all_of(block, block + Wire::kBlockSize, [&](uint8_t b) { return b == block[0]; });
        if (allEqual && m_fillForm) {
            Send(replies, {Wire::kFillBlock, block[0]});
        } else {
            std::vector<uint8_t> reply(1 + Wire::kBlockSize + 1);
            reply[0] = Wire::kDataBlock;
            std::copy(block, block + Wire::kBlockSize, reply.begin() + 1);
            uint8_t checksum = Wire::Sum8(block, Wire::kBlockSize);
            if (m_faults.badChecksumOnce) {
                m_faults.badChecksumOnce = false;
                checksum = static_cast<uint8_t>(checksum + 1);
            }
            reply.back() = checksum;
            Send(replies, std::move(reply));
        }
        m_servingBlock = index;
        m_state = State::ReadAck;
        break;
    }
    case Wire::kDataBlock: {
        constexpr std::size_t kSize = kCommandHeader + Wire::kBlockSize + 1;
        if (m_pending.size() < kSize)
            return false;
        used = kSize;
        const int index = AddressIndex(m_pending);
        const uint8_t* data = m_pending.data() + kCommandHeader;
        const bool valid = static_cast<std::size_t>(index) < Wire::kBlockCount &&
                           Wire::Sum8(data, Wire::kBlockSize) == m_pending[kSize - 1];
        if (!valid || m_faults.nakWrites > 0) {
            if (valid)
                --m_faults.nakWrites;
            Send(replies, {Wire::kNak});
            break;
        }
        std::memcpy(m_image.data() + Wire::kBlockSize * index, data, Wire::kBlockSize);
        StoreBadly(index);
        m_stored = true;
        ++m_blocksStored;
        ++m_sessionBlocks;
        Send(replies, {Wire::kAck});
        AfterBlock(index);
        break;
    }
    case Wire::kFillBlock: {
        constexpr std::size_t kSize = kCommandHeader + 1;
        if (m_pending.size() < kSize)
            return false;
        used = kSize;
        const int index = AddressIndex(m_pending);
        if (static_cast<std::size_t>(index) >= Wire::kBlockCount) {
            Send(replies, {Wire::kNak});
            break;
        }
        if (m_faults.nakWrites > 0) {
            --m_faults.nakWrites;
            Send(replies, {Wire::kNak});
            break;
        }
        std::memset(m_image.data() + Wire::kBlockSize * index, m_pending[kCommandHeader],
                    Wire::kBlockSize);
        StoreBadly(index);
        m_stored = true;
        ++m_blocksStored;
        ++m_sessionBlocks;
        Send(replies, {Wire::kAck});
        AfterBlock(index);
        break;
    }
    case Wire::kPrepareWrite:
        if (m_pending.size() < 1 + Wire::kPrepareArgument.size())
            return false;
        used = 1 + Wire::kPrepareArgument.size();
        m_transferBegun = true;
        if (m_pending[1] == Wire::kPrepareArgument[0] && m_pending[2] == Wire::kPrepareArgument[1])
            Send(replies, {Wire::kAck}, m_faults.slowPrepareMs);
        break;
    case Wire::kEnd:
    case Wire::kAbort:
        Send(replies, {Wire::kAck});
        EndSession();
        break;
    default:
        break;
    }
    if (m_state != State::Listening)
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(used));
    return true;
}

void CVirtualMic::Replace(const Image& image)
{
    m_image = image;
    m_state = State::Listening;
    m_rate = m_listenRate;
    m_mask = 0;
    m_stored = false;
    m_transferBegun = false;
    m_sessionBlocks = 0;
    m_servingBlock = -1;
    m_pending.clear();
    m_entryWindow.clear();
}

void CVirtualMic::StoreBadly(int index)
{
    if (m_faults.badStores <= 0)
        return;
    // A worn memory cell: one bit of the block's middle byte does not hold.
    --m_faults.badStores;
    m_image[Wire::kBlockSize * static_cast<std::size_t>(index) + Wire::kBlockSize / 2] ^= 0x10;
}

void CVirtualMic::AfterBlock(int index)
{
    if (m_faults.dropAfterBlock < 0 || index != m_faults.dropAfterBlock)
        return;
    // The cable is pulled: the microphone forgets the session and listens again.
    m_faults.dropAfterBlock = -1;
    EndSession();
}

void CVirtualMic::EndSession()
{
    m_state = State::Listening;
    m_rate = m_listenRate;
    m_mask = 0;
    m_pending.clear();
    m_entryWindow.clear();
    if (m_stored && m_onStored)
        m_onStored();
    m_stored = false;
    const bool transfer = m_transferBegun;
    const bool whole = m_sessionBlocks >= static_cast<int>(Wire::kBlockCount);
    m_transferBegun = false;
    m_sessionBlocks = 0;
    if (transfer && m_onTransferEnd)
        m_onTransferEnd(whole);
}
