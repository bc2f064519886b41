#pragma once
#include "link/ByteDevice.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>

// Random bit errors on a line: each data bit flips independently with the
// given probability, drawn from a generator seeded for repeatable runs.
class CBitNoise
{
public:
    // `bitErrorRate` from 0 (a clean line) to 1.
    CBitNoise(double bitErrorRate, uint64_t seed);

    // Flips bits of `bytes` in place; returns how many it flipped.
    std::size_t Corrupt(uint8_t* bytes, std::size_t count);

    double BitErrorRate() const { return m_rate; }
    uint64_t FlippedBits() const { return m_flipped; }

private:
    // Draws the number of clean bits before the next error.
    void DrawGap();

    double m_rate;
    std::mt19937_64 m_random;
    std::geometric_distribution<uint64_t> m_gap;
    uint64_t m_cleanBitsLeft = 0;
    uint64_t m_flipped = 0;
};

// A byte device on a noisy line: bytes written reach the device, and bytes
// read reach the caller, with bits flipped by `noise`. Everything else
// passes through unchanged.
class CNoisyDevice : public IByteDevice
{
public:
    CNoisyDevice(std::unique_ptr<IByteDevice> inner, CBitNoise& noise);

    bool Open(const std::string& name) override { return m_inner->Open(name); }
    bool Close() override { return m_inner->Close(); }
    bool IsOpen() const override { return m_inner->IsOpen(); }
    bool SetQueueSizes(uint16_t inSize, uint16_t outSize) override
    {
        return m_inner->SetQueueSizes(inSize, outSize);
    }
    bool SetLine(const CLineSettings& settings) override { return m_inner->SetLine(settings); }
    bool SetDtr(bool on) override { return m_inner->SetDtr(on); }
    bool SetRts(bool on) override { return m_inner->SetRts(on); }
    bool PurgeInput() override { return m_inner->PurgeInput(); }
    bool Write(const uint8_t* data, std::size_t count) override;
    std::size_t Read(uint8_t* buffer, std::size_t count, uint32_t timeoutMs) override;
    bool TakeLineClean() override { return m_inner->TakeLineClean(); }
    bool IsRs232() override { return m_inner->IsRs232(); }

private:
    std::unique_ptr<IByteDevice> m_inner;
    CBitNoise& m_noise;
};

// Devices from `inner`, each on the line that `noise` disturbs. `noise`
// must outlive the devices.
ByteDeviceFactory NoisyDeviceFactory(ByteDeviceFactory inner, CBitNoise& noise);
