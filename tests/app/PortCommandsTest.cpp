// ports with pinned numbers, and ports --forget, on the settings of the test.
#include "CliRig.h"

#include "core/SettingsLocation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

class PortCommandsTest : public CCliTest
{
protected:
    static void Pin(int number, const std::string& name)
    {
        QSettings(QString::fromLatin1(SettingsLocation::kOrganization),
                  QString::fromLatin1(SettingsLocation::kApplication))
            .setValue(QString::fromStdString(SettingsLocation::PortDeviceKey(number)),
                      QString::fromStdString(name));
    }
    static QString Pinned(int number)
    {
        return QSettings(QString::fromLatin1(SettingsLocation::kOrganization),
                         QString::fromLatin1(SettingsLocation::kApplication))
            .value(QString::fromStdString(SettingsLocation::PortDeviceKey(number)))
            .toString();
    }
    std::string Row(const std::string& label) const
    {
        std::istringstream in(m_out.str());
        for (std::string line; std::getline(in, line);)
            if (line.rfind(label + " ", 0) == 0)
                return line;
        return {};
    }

    const std::string m_gone = "/dev/serial/by-id/usb-QZM_Test_Cable_0001-if00-port0";
};

} // namespace

#ifndef _WIN32
TEST_F(PortCommandsTest, AnUnpluggedDeviceKeepsItsNumberAndShowsAsNotPresent)
{
    Pin(18, m_gone);
    ASSERT_EQ(Run({"ports"}), 0) << m_err.str();
    const std::string row = Row("COM18");
    EXPECT_NE(row.find(m_gone), std::string::npos) << row;
    EXPECT_NE(row.find("not present"), std::string::npos) << row;
    EXPECT_NE(row.find(" no "), std::string::npos) << "it does not open: " << row;

    ASSERT_EQ(Run({"ports", "--json"}), 0);
    const QJsonArray ports =
        QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str()))["ports"].toArray();
    ASSERT_GE(ports.size(), 20);
    const QJsonObject port = ports[17].toObject();
    EXPECT_EQ(port["port"].toInt(), 18);
    EXPECT_EQ(port["device"].toString().toStdString(), m_gone);
    EXPECT_TRUE(port["node"].isNull());
    EXPECT_FALSE(port["present"].toBool());
    EXPECT_EQ(Pinned(18).toStdString(), m_gone) << "listing keeps the pin";
}

// Each row is the opening of its own device: a port that opened is closed
// before the next is tried.
TEST_F(PortCommandsTest, EachPortIsTriedOnItsOwn)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    Pin(1, ::ptsname(master));
    Pin(2, "/dev/null"); // a device, but no terminal
    ASSERT_EQ(Run({"ports", "--json"}), 0) << m_err.str();
    const QJsonArray ports =
        QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str()))["ports"].toArray();
    ASSERT_GE(ports.size(), 2);
    EXPECT_TRUE(ports[0].toObject()["opens"].toBool());
    EXPECT_FALSE(ports[1].toObject()["opens"].toBool());
    ::close(master);
}

TEST_F(PortCommandsTest, PinsBeyondTwentyAreListedToo)
{
    Pin(25, m_gone);
    ASSERT_EQ(Run({"ports"}), 0);
    EXPECT_NE(Row("COM25").find("not present"), std::string::npos) << m_out.str();
}
#endif

TEST_F(PortCommandsTest, ForgetRemovesAPinAndOnlyAPin)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows numbers its ports itself";
#endif
    Pin(19, m_gone);
    ASSERT_EQ(Run({"ports", "--forget", "19"}), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), "COM19 forgotten (it was " + m_gone + ")\n");
    EXPECT_TRUE(Pinned(19).isEmpty());

    EXPECT_EQ(Run({"ports", "--forget", "19"}), 1);
    EXPECT_EQ(m_err.str(), "ports: COM19 is not pinned to a device\n");
    Pin(18, " ");
    EXPECT_EQ(Run({"ports", "--forget", "18"}), 1) << "an empty pin pins nothing";
    EXPECT_EQ(m_err.str(), "ports: COM18 is not pinned to a device\n");
    for (const char* bad : {"0", "256", "COM3", ""}) {
        EXPECT_EQ(Run({"ports", "--forget", bad}), 2) << bad;
        EXPECT_NE(m_err.str().find("--forget takes a port number"), std::string::npos);
    }
}
