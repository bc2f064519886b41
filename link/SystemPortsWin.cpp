#include "link/SystemPorts.h"

#include "link/SerialPort.h"

CPortTable SystemPortTable()
{
    CPortTable table;
    for (int number = PortNumbering::kFirstNumber; number <= PortNumbering::kLastNumber; ++number)
        table.entries.push_back({number, WindowsPortName(number), WindowsPortName(number)});
    return table;
}

CPortTable NumberSystemPorts()
{
    return SystemPortTable();
}

bool ForgetSystemPort(int)
{
    return false;
}

std::string CSerialPort::PortDeviceName(int number)
{
    return WindowsPortName(number);
}

std::string CSerialPort::PortStableName(int number)
{
    return WindowsPortName(number);
}
