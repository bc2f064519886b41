#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class CBitNoise;
class CVirtualMic;

// Serves a virtual microphone on a pseudo-terminal (Linux and macOS): the
// program opens DevicePath() as its serial port. The server reads the rate
// that the program set on the line, hands what it hears to the microphone
// and sends the answers back, each only while the line runs at the
// microphone's rate, and by default at line pace (11 bits a byte).
class CPtyMicServer
{
public:
    explicit CPtyMicServer(CVirtualMic& mic);
    ~CPtyMicServer();
    CPtyMicServer(const CPtyMicServer&) = delete;
    CPtyMicServer& operator=(const CPtyMicServer&) = delete;

    // Creates the pseudo-terminal; false with `error` set on failure.
    bool Open(std::string& error);
    const std::string& DevicePath() const { return m_path; }

    // Sends at line pace when on (the default).
    void SetPaced(bool paced) { m_paced = paced; }
    // Flips bits of what crosses in either direction, as a noisy cable
    // would; nullptr for a clean line. Not owned.
    void SetNoise(CBitNoise* noise) { m_noise = noise; }
    // Called with each byte that crosses, for a trace.
    using Tracer = std::function<void(bool fromProgram, const uint8_t* bytes, std::size_t count,
                                      uint32_t rate)>;
    void SetTracer(Tracer tracer) { m_tracer = std::move(tracer); }

    // Serves until Stop() is called, from another thread or a signal handler.
    void Serve();
    void Stop() { m_stop = true; }

    // Whether the server has nothing in hand: no byte of the program's waits
    // to be read or is being answered, and no answer waits for the program
    // to read it. Any thread may ask while Serve() runs.
    bool IsIdle() const;

private:
    uint32_t LineRate() const;
    // Waits until the line runs at `rate`; false when it did not within a while.
    bool AwaitRate(uint32_t rate) const;
    void SendPaced(const uint8_t* bytes, std::size_t count, uint32_t rate);

    CVirtualMic& m_mic;
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    bool m_paced = true;
    Tracer m_tracer;
    CBitNoise* m_noise = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_busy{false};
};
