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

namespace {

constexpr const char* kLentGroup = "PortsLent";

// The pins of one group of the settings, "COM<n>" to a name.
std::map<int, std::string> PinsOf(const char* group)
{
    QSettings settings(QString::fromLatin1(SettingsLocation::kOrganization),
                       QString::fromLatin1(SettingsLocation::kApplication));
    settings.beginGroup(QString::fromLatin1(group));
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

QString LentKey(int number)
{
    return QString::fromLatin1(kLentGroup) + QStringLiteral("/") + QString::fromLatin1(kKeyPrefix) +
           QString::number(number);
}

} // namespace

std::map<int, std::string> CSettingsPortPins::All() const
{
    return PinsOf(kGroup);
}

std::map<int, std::string> CSettingsPortPins::Lent() const
{
    return PinsOf(kLentGroup);
}

void CSettingsPortPins::Lend(int number, const std::string& device)
{
    QSettings settings(QString::fromLatin1(SettingsLocation::kOrganization),
                       QString::fromLatin1(SettingsLocation::kApplication));
    const QString before = settings.value(Key(number)).toString().trimmed();
    // A pin already aside (its borrower ended without giving it back) stays.
    if (!before.isEmpty() && before.toStdString() != device && !settings.contains(LentKey(number)))
        settings.setValue(LentKey(number), before);
    settings.setValue(Key(number), QString::fromStdString(device));
}

void CSettingsPortPins::GiveBack(int number, const std::string& device)
{
    QSettings settings(QString::fromLatin1(SettingsLocation::kOrganization),
                       QString::fromLatin1(SettingsLocation::kApplication));
    if (settings.value(Key(number)).toString().toStdString() != device)
        return;
    const QString before = settings.value(LentKey(number)).toString();
    if (before.isEmpty())
        settings.remove(Key(number));
    else
        settings.setValue(Key(number), before);
    settings.remove(LentKey(number));
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
