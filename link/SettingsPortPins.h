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
};
