#pragma once

// Local wall-clock time of day, as far as the program uses it: the data-file
// key and the identification seed are made from the minute and second.
struct CLocalTime
{
    int hour = 0;   // 0 to 23
    int minute = 0; // 0 to 59
    int second = 0; // 0 to 59 (60 on a leap second)
};

class ILocalClock
{
public:
    virtual ~ILocalClock() = default;
    virtual CLocalTime Now() const = 0;
};

// The system's local time.
class CSystemClock : public ILocalClock
{
public:
    CLocalTime Now() const override;
    static const CSystemClock& Instance();
};

// A clock that tests set.
class CFixedClock : public ILocalClock
{
public:
    CFixedClock() = default;
    CFixedClock(int hour, int minute, int second) : m_time{hour, minute, second} {}
    void Set(int hour, int minute, int second) { m_time = {hour, minute, second}; }
    CLocalTime Now() const override { return m_time; }

private:
    CLocalTime m_time;
};
