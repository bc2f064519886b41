#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// The wire protocol with the microphone: bytes, sizes, rates and time-outs
// that both ends (CMicLink and the virtual microphone) use.
namespace Wire {
constexpr std::size_t kImageSize = 2304;
constexpr std::size_t kBlockSize = 256;
constexpr std::size_t kBlockCount = kImageSize / kBlockSize;
static_assert(kBlockCount * kBlockSize == kImageSize, "the image is whole blocks");

constexpr const char kEntryRequest[] = "PROGRAM";
constexpr std::size_t kEntryRequestSize = sizeof kEntryRequest - 1;

constexpr uint8_t kSyn = 0x16;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kStx = 0x02;
constexpr uint8_t kReadCommand = 0x52;
constexpr uint8_t kDataBlock = 0x57;
constexpr uint8_t kFillBlock = 0x5A;
constexpr uint8_t kPrepareWrite = 0x2C;
constexpr std::array<uint8_t, 2> kPrepareArgument{0x00, 0xFF};
constexpr uint8_t kEnd = 0x45;
constexpr uint8_t kAbort = 0xE7;

constexpr std::size_t kAddressSize = 2;
constexpr std::size_t kIdRecordSize = 48;
constexpr std::size_t kIdBufferSize = 16;
constexpr std::size_t kModelIdSize = 8;
constexpr std::size_t kMaskSumOffset = 32;
constexpr std::size_t kMaskSumSize = 12;
static_assert(kMaskSumOffset + kMaskSumSize <= kIdRecordSize, "mask bytes lie in the record");

constexpr uint32_t kWorkingRate = 19200;
constexpr uint32_t kSecondEndRate = 9600;

struct CProbeRate
{
    uint32_t rate;
    uint32_t replyTimeoutMs;
};
constexpr std::array<CProbeRate, 7> kProbeRates{{
    {9600, 115},
    {19200, 105},
    {4800, 123},
    {2400, 138},
    {1200, 170},
    {38400, 102},
    {57600, 101},
}};

constexpr uint32_t kProgramModeTimeoutMs = 550;
constexpr uint32_t kConfirmationTimeoutMs = 3000;
constexpr uint32_t kBlockWriteTimeoutMs = 3000;
constexpr uint32_t kPrepareTimeoutMs = 20000;
constexpr uint32_t kLineCheckPauseMs = 50;
constexpr uint32_t kIdentifyPauseMs = 50;
// Pause after opening the port, before the entry into programming mode.
constexpr uint32_t kSettleAfterOpenMs = 50;
constexpr int kBlockAttempts = 3;

// Bits a byte takes on the line with 8 data bits, no parity and 2 stop bits.
constexpr uint32_t kBitsPerByte = 11;

// The 8-bit sum of `count` bytes.
inline uint8_t Sum8(const uint8_t* bytes, std::size_t count)
{
    uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return sum;
}

// The two address bytes of a block, high byte first.
inline std::array<uint8_t, kAddressSize> BlockAddress(int index)
{
    return {static_cast<uint8_t>((index >> 8) & 0xFF), static_cast<uint8_t>(index & 0xFF)};
}
} // namespace Wire
