#pragma once
#include "link/Protocol.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Faults that the virtual microphone can be told to play.
struct CMicFaults
{
    bool silent = false;          // never answers anything
    std::string model;            // another model identifier (8 bytes); empty: the default
    int nakWrites = 0;            // answers this many block writes with NAK
    bool badChecksumOnce = false; // the first block it sends carries a wrong checksum
    int dropAfterBlock = -1;      // loses the connection after serving or storing this block
    bool lineFault = false;       // framing errors and breaks on the line while it listens
    uint32_t slowPrepareMs = 0;   // answers the write preparation this much later
    int confirmNoise = 0;         // bytes of noise before the entry's ACK at 19200
    uint32_t confirmDelayMs = 0;  // the entry's ACK this much later than usual
    int badStores = 0;            // stores this many blocks with a bit flipped, and ACKs them
};

// Bytes the microphone sends: `delayMs` after the bytes that caused them
// (or after the previous send), at line rate `rate`.
struct CMicSend
{
    uint32_t delayMs = 0;
    uint32_t rate = 0;
    std::vector<uint8_t> bytes;
};

// The microphone's side of the wire protocol. It is fed the bytes that the
// program sends, with the rate the program's line runs at, and answers with
// the bytes to send back. Bytes sent at a rate other than the one it works
// at are noise to it. It keeps the 2304-byte image that it serves and stores.
class CVirtualMic
{
public:
    using Image = std::array<uint8_t, Wire::kImageSize>;
    static constexpr const char* kDefaultModel = "PVHM_812";
    static constexpr uint32_t kDefaultListenRate = 9600;
    // Pause between "SYN" at the probe rate and "ACK" at the working rate.
    static constexpr uint32_t kConfirmDelayMs = 10;

    explicit CVirtualMic(uint32_t listenRate = kDefaultListenRate);

    void SetFaults(const CMicFaults& faults);
    // Answers blocks of equal bytes in the fill form (on by default).
    void SetFillForm(bool on) { m_fillForm = on; }

    // Takes bytes that arrived while the program's line ran at `rate` and
    // appends the answers to `replies`.
    void Receive(const uint8_t* data, std::size_t count, uint32_t rate,
                 std::vector<CMicSend>& replies);

    // The rate the microphone listens or works at now.
    uint32_t CurrentRate() const { return m_rate; }
    uint32_t ListenRate() const { return m_listenRate; }
    // Whether the line shows framing errors or breaks now.
    bool LineFault() const { return m_faults.lineFault && m_state == State::Listening; }
    uint8_t Mask() const { return m_mask; }
    bool InProgramMode() const { return m_state != State::Listening; }
    // Forgets a session in progress and listens again, as a microphone does
    // when its programming mode times out; a session that stored blocks
    // counts as ended.
    void DropSession() { EndSession(); }

    Image& GetImage() { return m_image; }
    const Image& GetImage() const { return m_image; }
    // The 48-byte identification record it sends.
    const std::array<uint8_t, Wire::kIdRecordSize>& IdRecord() const { return m_record; }
    // Called when a session that stored blocks has ended (end, abort or a
    // lost connection), so that the image can be kept.
    void SetStoredHandler(std::function<void()> handler) { m_onStored = std::move(handler); }
    // Called when a session in which a transfer began (a block asked for,
    // the write prepared) has ended, telling whether it moved every block:
    // a transfer that broke off is the end of that microphone's job.
    void SetTransferEndHandler(std::function<void(bool whole)> handler)
    {
        m_onTransferEnd = std::move(handler);
    }
    // Blocks served and stored since construction.
    int BlocksServed() const { return m_blocksServed; }
    int BlocksStored() const { return m_blocksStored; }

    // Called with every arrival before the microphone hears it, so that a
    // player of the line can unplug or replace the microphone first.
    using ReceiveHook = std::function<void(const uint8_t* data, std::size_t count, uint32_t rate)>;
    void SetReceiveHook(ReceiveHook hook) { m_onReceive = std::move(hook); }
    // An unplugged microphone hears and answers nothing.
    void SetPlugged(bool plugged) { m_plugged = plugged; }
    bool IsPlugged() const { return m_plugged; }
    // Another microphone in this one's place: it holds `image` and listens.
    void Replace(const Image& image);

private:
    enum class State
    {
        Listening,
        Identify,
        Seed,
        Command,
        ReadAck
    };

    void Listen(uint8_t byte, std::vector<CMicSend>& replies);
    // Handles the command at the front of m_pending; false when it is not
    // complete yet.
    bool Command(std::vector<CMicSend>& replies);
    void Send(std::vector<CMicSend>& replies, std::vector<uint8_t> bytes, uint32_t delayMs = 0);
    void EndSession();
    void AfterBlock(int index);
    // Plays the badStores fault on the block just stored.
    void StoreBadly(int index);
    void BuildRecord();

    uint32_t m_listenRate;
    uint32_t m_rate;
    State m_state = State::Listening;
    CMicFaults m_faults;
    bool m_fillForm = true;
    uint8_t m_mask = 0;
    uint8_t m_seed = 0;
    int m_servingBlock = -1;
    bool m_stored = false;
    int m_blocksServed = 0;
    int m_blocksStored = 0;
    std::string m_entryWindow;
    std::vector<uint8_t> m_pending;
    Image m_image{};
    std::array<uint8_t, Wire::kIdRecordSize> m_record{};
    std::function<void()> m_onStored;
    std::function<void(bool whole)> m_onTransferEnd;
    bool m_transferBegun = false; // in the session now
    int m_sessionBlocks = 0;      // served or stored whole in the session now
    ReceiveHook m_onReceive;
    bool m_plugged = true;
};
