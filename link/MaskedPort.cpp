#include "link/MaskedPort.h"

#include <cstring>
#include <vector>

int CMaskedPort::WriteMasked(const uint8_t* data, std::size_t count)
{
    std::vector<uint8_t> copy(data, data + count);
    for (uint8_t& byte : copy)
        byte ^= m_mask;
    return WriteRaw(copy.data(), copy.size());
}

int CMaskedPort::WriteByte(uint8_t byte)
{
    return WriteMasked(&byte, 1);
}

int CMaskedPort::WriteString(const char* text)
{
    return WriteMasked(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

int CMaskedPort::WriteBuffer(const uint8_t* data, uint16_t count)
{
    return WriteMasked(data, count);
}

int CMaskedPort::Read(uint8_t* buffer, uint16_t count)
{
    std::vector<uint8_t> temporary(count);
    if (!ReadRaw(temporary.data(), count))
        return 0;
    for (std::size_t i = 0; i < count; ++i)
        buffer[i] = temporary[i] ^ m_mask;
    return 1;
}
