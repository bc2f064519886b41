#include "ui/app/ProfileSettings.h"

#include <QSettings>
#include <QString>
#include <QVariant>

namespace {

// One store session on the "Backup" section; the values reach the disk when
// it ends.
class CBackupSection
{
public:
    CBackupSection()
        : m_settings(QString::fromLatin1(CProfileSettings::kRootKey),
                     QString::fromLatin1(CProfileSettings::kProgramName))
    {
        m_settings.beginGroup(QString::fromLatin1(CProfileSettings::kSection));
    }

    QVariant Value(const char* name) const { return m_settings.value(QString::fromLatin1(name)); }
    void SetValue(const char* name, const QVariant& value)
    {
        m_settings.setValue(QString::fromLatin1(name), value);
    }

private:
    QSettings m_settings;
};

} // namespace

std::string CProfileSettings::ReadLastFilePath() const
{
    return CBackupSection().Value(kLastFilePath).toString().toLocal8Bit().toStdString();
}

void CProfileSettings::WriteLastFilePath(const std::string& folder) const
{
    CBackupSection().SetValue(kLastFilePath, QString::fromLocal8Bit(folder.c_str()));
}

int CProfileSettings::ReadComPort() const
{
    bool isNumber = false;
    const int port = CBackupSection().Value(kComPort).toInt(&isNumber);
    if (!isNumber || port < kFirstPort || port > kLastPort)
        return kDefaultPort;
    return port;
}

void CProfileSettings::WriteComPort(int portNumber) const
{
    CBackupSection().SetValue(kComPort, portNumber);
}

std::optional<CWindowPlacement> CProfileSettings::ReadLastWinPos() const
{
    const QVariant stored = CBackupSection().Value(kLastWinPos);
    if (!stored.isValid())
        return std::nullopt;
    return ParsePlacement(stored.toString().toStdString());
}

void CProfileSettings::WriteLastWinPos(const CWindowPlacement& placement) const
{
    CBackupSection().SetValue(kLastWinPos, QString::fromStdString(FormatPlacement(placement)));
}
