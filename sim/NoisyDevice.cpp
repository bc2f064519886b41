#include "sim/NoisyDevice.h"

#include <vector>

namespace {
// Only the data bits of a byte carry the image; a flipped start or stop bit
// is a framing error, which the line reports by other means.
constexpr uint64_t kDataBitsPerByte = 8;
} // namespace

CBitNoise::CBitNoise(double bitErrorRate, uint64_t seed)
    : m_rate(bitErrorRate), m_random(seed),
      m_gap(bitErrorRate > 0 && bitErrorRate <= 1 ? bitErrorRate : 1)
{
    DrawGap();
}

void CBitNoise::DrawGap()
{
    m_cleanBitsLeft = m_rate > 0 ? m_gap(m_random) : UINT64_MAX;
}

std::size_t CBitNoise::Corrupt(uint8_t* bytes, std::size_t count)
{
    std::size_t flipped = 0;
    uint64_t bits = count * kDataBitsPerByte;
    uint64_t position = 0;
    // Skip from one error to the next instead of drawing for every bit.
    while (m_cleanBitsLeft < bits) {
        position += m_cleanBitsLeft;
        bits -= m_cleanBitsLeft + 1;
        bytes[position / kDataBitsPerByte] ^=
            static_cast<uint8_t>(1u << (position % kDataBitsPerByte));
        ++position;
        ++flipped;
        DrawGap();
    }
    if (m_cleanBitsLeft != UINT64_MAX)
        m_cleanBitsLeft -= bits;
    m_flipped += flipped;
    return flipped;
}

CNoisyDevice::CNoisyDevice(std::unique_ptr<IByteDevice> inner, CBitNoise& noise)
    : m_inner(std::move(inner)), m_noise(noise)
{
}

bool CNoisyDevice::Write(const uint8_t* data, std::size_t count)
{
    std::vector<uint8_t> copy(data, data + count);
    m_noise.Corrupt(copy.data(), copy.size());
    return m_inner->Write(copy.data(), copy.size());
}

std::size_t CNoisyDevice::Read(uint8_t* buffer, std::size_t count, uint32_t timeoutMs)
{
    const std::size_t got = m_inner->Read(buffer, count, timeoutMs);
    m_noise.Corrupt(buffer, got);
    return got;
}

ByteDeviceFactory NoisyDeviceFactory(ByteDeviceFactory inner, CBitNoise& noise)
{
    return [inner = std::move(inner), &noise]() -> std::unique_ptr<IByteDevice> {
        std::unique_ptr<IByteDevice> device = inner();
        if (!device)
            return nullptr;
        return std::make_unique<CNoisyDevice>(std::move(device), noise);
    };
}
