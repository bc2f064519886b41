#pragma once
#include "core/SettingsLocation.h"
#include "ui/app/WindowPlacement.h"

#include <optional>
#include <string>

// The three values that the program keeps between runs, in the per-user
// settings store under ZEPHRAN/QZM530RX, section "Backup". Holds no state:
// every call reads or writes the store. Tests point the store elsewhere with
// QSettings::setPath.
class CProfileSettings
{
public:
    static constexpr const char* kRootKey = SettingsLocation::kOrganization;
    static constexpr const char* kProgramName = SettingsLocation::kApplication;
    static constexpr const char* kSection = "Backup";
    static constexpr const char* kLastFilePath = "LastFilePath";
    static constexpr const char* kComPort = "ComPort";
    static constexpr const char* kLastWinPos = "LastWinPos";

    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 20;
    static constexpr int kDefaultPort = kFirstPort;

    // The folder the file dialogs start in, unchanged; empty when missing.
    std::string ReadLastFilePath() const;
    void WriteLastFilePath(const std::string& folder) const;

    // The stored port number when it is 1 to 20; 1 when missing, not a
    // number or out of that range. The stored value itself stays.
    int ReadComPort() const;
    void WriteComPort(int portNumber) const;

    // The stored placement when all ten numbers parse, else nothing.
    std::optional<CWindowPlacement> ReadLastWinPos() const;
    void WriteLastWinPos(const CWindowPlacement& placement) const;
};
