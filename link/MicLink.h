#pragma once
#include "link/ByteSpan.h"
#include "link/MaskedPort.h"
#include "link/Protocol.h"

#include <array>
#include <cstdint>
#include <string>

class ILocalClock;

// How the microphone answered the last block moved.
enum class BlockAnswer
{
    kOk,      // the block moved
    kNone,    // no answer, or the answer stopped coming
    kRefused, // refused (a NAK, or no acknowledgement of the block)
    kDamaged  // it arrived with a wrong checksum every time
};

// The device link to the microphone: the serial port with its mask, and the
// protocol that finds the microphone, identifies it, agrees the mask, moves
// the image in blocks and ends programming mode. Every protocol operation
// runs on the open port and returns 0 for success, non-zero for failure.
class CMicLink : public CMaskedPort
{
public:
    using IdRecord = std::array<uint8_t, Wire::kIdRecordSize>;

    // ReadBlock results other than 0.
    static constexpr int kReadAttemptsFailed = 1;
    static constexpr int kReadCommandWriteFailed = 2;
    static constexpr int kReadAddressWriteFailed = 3;
    static constexpr int kReadAckWriteFailed = 8;
    static constexpr int kReadNotAcknowledged = 10;
    static constexpr int kReadNakWriteFailed = 11;
    static constexpr int kReadNakNotAcknowledged = 13;
    // The destination holds fewer bytes than a block; nothing was sent.
    static constexpr int kReadBufferTooSmall = 20;

    // The system's ports, tick counter and local time; the waits spin.
    CMicLink();
    // The system's ports and local time on `ticks`, which must outlive the
    // link (CSleepingTickClock for a link whose waits sleep).
    explicit CMicLink(ITickClock& ticks);
    // Devices from `factory`, timed by `ticks`, the identification seed from
    // `localClock`. Both clocks must outlive the link.
    CMicLink(ByteDeviceFactory factory, ITickClock& ticks, const ILocalClock& localClock);
    ~CMicLink() override;

    // Probes the rates of the table with "PROGRAM", then confirms at 19200.
    int EnterProgramMode();
    // Asks for the identification record, copies its bytes 0 to 15 into
    // `buffer` and agrees the mask. A buffer of fewer than 16 bytes fails (1)
    // before anything is sent.
    int Identify(CMutableBytes buffer);
    // Whether bytes 0 to 7 of `id` name an accepted model; false for fewer
    // than 8 bytes.
    bool IsKnownModel(CConstBytes id) const;
    // Reads block `index` into the first block-size bytes of `destination`.
    // A destination shorter than a block fails (kReadBufferTooSmall) before
    // anything is sent; after any other failure its bytes are undefined.
    int ReadBlock(CMutableBytes destination, int index);
    // Writes block `index` from the first block-size bytes of `block`;
    // all-equal blocks go in the fill form. A `block` shorter than that
    // fails (1) before anything is sent.
    int WriteBlock(CConstBytes block, int index);
    int PrepareWrite();
    // Sends the end command, and once more at 9600 when it is not answered.
    int EndProgramMode();
    int AbortWrite();

    void SetBlockSize(int32_t size) { m_blockSize = size; }
    int32_t GetBlockSize() const { return m_blockSize; }
    const IdRecord& GetIdRecord() const { return m_idRecord; }
    // How the last ReadBlock or WriteBlock was answered.
    BlockAnswer LastBlockAnswer() const { return m_blockAnswer; }
    // Forgets the last record, so that a caller can tell whether the next
    // transfer got as far as an identification.
    void ClearIdRecord() { m_idRecord.fill(0); }

    // The identification seed at a local minute and second: 0 to 118.
    static uint8_t Seed(int minute, int second);

private:
    // The settings string from its first comma on (",N,8,2").
    std::string SettingsSuffix() const;
    // Bytes per block on the wire; 0 when the block size does not fit a
    // block of the image.
    uint16_t WireBlockLength() const;
    bool SendEnd();
    // Reads one byte with the read time-out set to `timeoutMs` meanwhile;
    // `stoppable`: given up once a stop is asked for.
    bool ReadByteWithin(uint32_t timeoutMs, uint8_t& byte, bool stoppable = false);
    int FailEntry(uint32_t savedTimeout, const std::string& suffix);

    const ILocalClock& m_localClock;
    int32_t m_blockSize = 0;
    IdRecord m_idRecord{};
    BlockAnswer m_blockAnswer = BlockAnswer::kOk;
};

// The accepted model identifiers.
extern const std::array<std::array<uint8_t, Wire::kModelIdSize>, 1> kAcceptedModels;
