#pragma once
// Low latency on a USB-serial adapter: its driver holds received bytes for a
// latency timer (16 ms by default on the common chips) before passing them
// on, and every block of a transfer waits for a short reply. Linux drivers
// drop the timer for a port whose serial flags carry the low-latency flag.

// What became of the request on an open port.
enum class LowLatency
{
    NotOffered, // the port keeps no serial flags (a pseudo-terminal, another system)
    Refused,    // the driver did not take the flag
    Granted,    // the flag is set (or already was)
};

// Text for a trace line: "granted", "refused by the driver", "not offered".
const char* LowLatencyText(LowLatency state);

// The serial flags of one open port, one call per driver request
// (TIOCGSERIAL and TIOCSSERIAL on Linux). Tests stand in for the driver.
class ISerialFlags
{
public:
    virtual ~ISerialFlags() = default;
    // The port's flags; false when the driver keeps none.
    virtual bool Get(int& flags) = 0;
    // Sets the flags, the port's other serial settings as they are; false
    // when the driver refused.
    virtual bool Set(int flags) = 0;
};

// Asks for low latency on a port, best effort, and gives the port back the
// flags it had: the flags found before are put back by Restore when the
// request changed them.
class CLowLatencyRequest
{
public:
    // The low-latency bit of the flags (Linux's ASYNC_LOW_LATENCY).
    static constexpr int kLowLatencyFlag = 1 << 13;

    // Reads the flags, sets the bit when it is clear and reads them back to
    // see that the driver kept it. A port left as it was on failure.
    LowLatency Request(ISerialFlags& port);
    // Puts back the flags found by Request if it changed them; once.
    void Restore(ISerialFlags& port);

private:
    bool m_changed = false;
    int m_savedFlags = 0;
};
