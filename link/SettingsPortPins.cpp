#include "link/SettingsPortPins.h"

#include "core/SettingsLocation.h"

#include <QSettings>

namespace {

constexpr const char* kGroup = "Ports";
constexpr const char* kKeyPrefix = "COM";

QString Key(int number)
{
    return QString::fromStdString(SettingsLocation::PortDeviceKey(number));
}

} // namespace

std::map<int, std::string> CSettingsPortPins::All() const
{
    QSettings settings(QString::fromLatin1(SettingsLocation::kOrganization),
                       QString::fromLatin1(SettingsLocation::kApplication));
    settings.beginGroup(QString::fromLatin1(kGroup));
    std::map<int, std::string> pins;
    const QString prefix = QString::fromLatin1(kKeyPrefix);
    for (const QString& key : settings.childKeys()) {
        if (!key.startsWith(prefix))
            continue;
        bool isNumber = false;
        const int number = key.mid(prefix.size()).toInt(&isNumber);
        const QString name = settings.value(key).toString().trimmed();
        // "COM05" is not the key of port 5, and an empty pin pins nothing.
        if (isNumber && number > 0 && key == prefix + QString::number(number) && !name.isEmpty())
            pins[number] = name.toStdString();
    }
    return pins;
}

void CSettingsPortPins::Set(int number, const std::string& name)
{
    QSettings settings(QString::fromLatin1(SettingsLocation::kOrganization),
                       QString::fromLatin1(SettingsLocation::kApplication));
    settings.setValue(Key(number), QString::fromStdString(name));
}

void CSettingsPortPins::Remove(int number)
{
    QSettings settings(QString::fromLatin1(SettingsLocation::kOrganization),
                       QString::fromLatin1(SettingsLocation::kApplication));
    settings.remove(Key(number));
}
