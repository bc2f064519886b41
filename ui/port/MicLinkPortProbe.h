#pragma once
#include "ui/port/PortProbe.h"

class CMicLink;

// The COM port dialog's view of the application's device link.
class CMicLinkPortProbe : public IPortProbe
{
public:
    explicit CMicLinkPortProbe(CMicLink& link) : m_link(link) {}

    void NumberPorts() override;
    int PortNumber() const override;
    void SetPortNumber(int number) override;
    bool Open() override;
    bool IsRs232() override;
    void Close() override;
    std::string DeviceName(int number) const override;
    void Pause(int ms) override;

private:
    CMicLink& m_link;
};
