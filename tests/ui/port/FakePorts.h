#pragma once
#include "ui/port/PortProbe.h"

#include <map>
#include <string>
#include <vector>

// A set of COM ports for the port dialog: each number is missing, present,
// or present but not an RS-232 port. Records every call in order.
class CFakePorts : public IPortProbe
{
public:
    enum class Kind
    {
        Missing,
        Rs232,
        NotRs232
    };

    explicit CFakePorts(int portNumber) : m_portNumber(portNumber) {}

    void Set(int number, Kind kind) { m_ports[number] = kind; }

    int PortNumber() const override { return m_portNumber; }
    void NumberPorts() override { calls.push_back("number"); }
    void SetPortNumber(int number) override
    {
        calls.push_back("set " + std::to_string(number));
        m_portNumber = number;
    }
    bool Open() override
    {
        calls.push_back("open");
        if (KindOf(m_portNumber) == Kind::Missing)
            return false;
        m_open = true;
        return true;
    }
    bool IsRs232() override
    {
        calls.push_back("rs232");
        return m_open && KindOf(m_portNumber) == Kind::Rs232;
    }
    void Close() override
    {
        calls.push_back("close");
        m_open = false;
    }
    std::string DeviceName(int number) const override
    {
        const auto it = m_names.find(number);
        return it != m_names.end() ? it->second : "/dev/ttyFAKE" + std::to_string(number);
    }
    // The name of a device that port `number` leads to from now on.
    void SetDeviceName(int number, const std::string& name) { m_names[number] = name; }
    void Pause(int ms) override { pauses.push_back(ms); }

    bool IsOpen() const { return m_open; }

    std::vector<std::string> calls;
    std::vector<int> pauses;

private:
    Kind KindOf(int number) const
    {
        const auto it = m_ports.find(number);
        return it == m_ports.end() ? Kind::Missing : it->second;
    }

    std::map<int, Kind> m_ports;
    std::map<int, std::string> m_names;
    int m_portNumber;
    bool m_open = false;
};
