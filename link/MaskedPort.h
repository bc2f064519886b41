#pragma once
#include "link/SerialPort.h"

// The serial port with a one-byte mask: every byte written is XORed with
// the mask on its way out (the caller's data stay as they were), every byte
// read is XORed on its way in.
class CMaskedPort : public CSerialPort
{
public:
    using CSerialPort::CSerialPort;

    int WriteByte(uint8_t byte) override;
    int WriteString(const char* text) override;
    int WriteBuffer(const uint8_t* data, uint16_t count) override;
    // On failure the caller's buffer is left untouched.
    int Read(uint8_t* buffer, uint16_t count) override;

    virtual void ResetMask() { SetMask(0); }
    // Keeps the low byte.
    virtual void SetMask(int mask) { m_mask = static_cast<uint8_t>(mask & 0xFF); }
    uint8_t GetMask() const { return m_mask; }

private:
    int WriteMasked(const uint8_t* data, std::size_t count);

    uint8_t m_mask = 0;
};
