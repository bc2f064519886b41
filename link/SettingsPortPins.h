#pragma once
#include "link/PortNumbering.h"

// The pins in the per-user settings, one key "Ports/COM<n>" a number: the
// same keys that a user edits by hand and that qzm530rx-sim --port writes.
class CSettingsPortPins : public IPortPins
{
public:
    std::map<int, std::string> All() const override;
    void Set(int number, const std::string& name) override;
    void Remove(int number) override;
    // Kept under "PortsLent/COM<n>".
    std::map<int, std::string> Lent() const override;

    // COM `number` leads to `device` until GiveBack: the pin it had is kept
    // aside meanwhile (qzm530rx-sim --port N).
    void Lend(int number, const std::string& device);
    // Puts the pin kept aside back, or removes the number's pin when there
    // was none; only while the number still leads to `device` (a pin that
    // the user changed meanwhile stays).
    void GiveBack(int number, const std::string& device);
};
