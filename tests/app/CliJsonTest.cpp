// --json of the command-line tool, parsed back and compared with the facts
// that the text form shows.
#include "CliRig.h"

#include "diag/PortTrouble.h"
#include "link/ByteDevice.h"

#include "app/Version.h"
#include "core/SettingsLayout.h"
#include "link/ByteDevice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sstream>

namespace {

class CliJsonTest : public CCliTest
{
protected:
    // stdout of the last run as one JSON object; fails the test otherwise.
    QJsonObject OutputJson()
    {
        QJsonParseError error{};
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str()), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << m_out.str();
        EXPECT_TRUE(document.isObject()) << m_out.str();
        return document.object();
    }
    // The lines of the last run's stdout.
    std::vector<std::string> OutputLines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(m_out.str());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
};

} // namespace

TEST_F(CliJsonTest, InfoHoldsTheHeaderAndEverySettingAsTheTextShowsThem)
{
    const std::string file = Path("mic.dat");
    ASSERT_EQ(Run({"new", file}), 0);
    ASSERT_EQ(Run({"set", file, "1006=+10dB", "1001=High Background Noise"}), 0);
    ASSERT_EQ(Run({"info", file}), 0);
    const std::vector<std::string> text = OutputLines();
    ASSERT_EQ(Run({"info", "--json", file}), 0) << m_err.str();
    const QJsonObject info = OutputJson();

    EXPECT_EQ(info["file"].toString().toStdString(), file);
    const QJsonObject header = info["header"].toObject();
    EXPECT_EQ(header["product"].toString(), "QZM-530RX");
    EXPECT_EQ(header["version"].toString(), "V1.00");
    EXPECT_EQ(header["type"].toInt(), 0x44);
    char keyLine[32];
    std::snprintf(keyLine, sizeof keyLine, "Key:      0x%02X", header["key"].toInt());
    EXPECT_EQ(text.at(4), keyLine);

    // The table's rows follow the header, its title line and a blank line.
    constexpr std::size_t kFirstRow = 7;
    const QJsonArray settings = info["settings"].toArray();
    ASSERT_EQ(static_cast<std::size_t>(settings.size()), text.size() - kFirstRow);
    for (int i = 0; i < settings.size(); ++i) {
        const QJsonObject setting = settings[i].toObject();
        const std::string& row = text[kFirstRow + static_cast<std::size_t>(i)];
        char word[8];
        std::snprintf(word, sizeof word, "0x%04X", setting["word"].toInt());
        for (const std::string& fact :
             {std::to_string(setting["offset"].toInt()), std::to_string(setting["id"].toInt()),
              setting["label"].toString().toStdString(), setting["value"].toString().toStdString(),
              std::string(word)})
            EXPECT_NE(row.find(fact), std::string::npos) << row << " lacks " << fact;
        EXPECT_EQ(FindSetting(setting["id"].toInt())->offset, setting["offset"].toInt());
    }
    EXPECT_EQ(settings[0].toObject()["id"].toInt(), 1000) << "offset order";
}

TEST_F(CliJsonTest, DiffHoldsEachSideOfTheSettingsAndBytes)
{
    ASSERT_EQ(Run({"new", Path("a.dat")}), 0);
    ASSERT_EQ(Run({"new", Path("b.dat")}), 0);
    ASSERT_EQ(Run({"diff", "--json", Path("a.dat"), Path("b.dat")}), 0);
    QJsonObject diff = OutputJson();
    EXPECT_TRUE(diff["same"].toBool());
    EXPECT_TRUE(diff["settings"].toArray().isEmpty());
    EXPECT_TRUE(diff["bytes"].toArray().isEmpty());

    ASSERT_EQ(Run({"set", Path("b.dat"), "1011=on"}), 0);
    {
        // One byte outside the settings words: the first after them.
        CConfigStore store;
        ForeignProductName foreign{};
        ASSERT_EQ(LoadDataFile(store, Path("b.dat"), foreign), DataFile::kLoaded);
        store.TransferToImage();
        store.WorkingImage()[kSettingsAreaSize] = 0x12;
        std::error_code error;
        ASSERT_EQ(SaveDataFile(store, Path("b.dat"), m_clock, error), DataFile::kSaved);
    }
    ASSERT_EQ(Run({"diff", Path("a.dat"), Path("b.dat")}), CliExit::kHoldsOther);
    EXPECT_EQ(m_out.str(), "* Test Mode: off (0xFFFF) -> on (0x0001)\nbyte 0x0022: FF -> 12\n");
    ASSERT_EQ(Run({"diff", Path("a.dat"), Path("b.dat"), "--json"}), CliExit::kHoldsOther);
    diff = OutputJson();
    EXPECT_FALSE(diff["same"].toBool());
    const QJsonArray settings = diff["settings"].toArray();
    ASSERT_EQ(settings.size(), 1);
    const QJsonObject setting = settings[0].toObject();
    EXPECT_EQ(setting["id"].toInt(), 1011);
    EXPECT_EQ(setting["label"].toString(), "* Test Mode");
    EXPECT_EQ(setting["a"].toObject()["value"].toString(), "off");
    EXPECT_EQ(setting["a"].toObject()["word"].toInt(), 0xFFFF);
    EXPECT_EQ(setting["b"].toObject()["value"].toString(), "on");
    EXPECT_EQ(setting["b"].toObject()["word"].toInt(), 0x0001);
    const QJsonArray bytes = diff["bytes"].toArray();
    ASSERT_EQ(bytes.size(), 1);
    EXPECT_EQ(bytes[0].toObject()["offset"].toInt(), 0x22);
    EXPECT_EQ(bytes[0].toObject()["a"].toInt(), 0xFF);
    EXPECT_EQ(bytes[0].toObject()["b"].toInt(), 0x12);
}

TEST_F(CliJsonTest, PortsListTwentyPortsAsTheTextDoes)
{
    ASSERT_EQ(Run({"ports"}), 0);
    const std::vector<std::string> text = OutputLines();
    ASSERT_EQ(Run({"ports", "--json"}), 0);
    const QJsonArray ports = OutputJson()["ports"].toArray();
    ASSERT_EQ(ports.size(), 20);
    ASSERT_EQ(text.size(), 21u);
    for (int i = 0; i < ports.size(); ++i) {
        const QJsonObject port = ports[i].toObject();
        const std::string& row = text[static_cast<std::size_t>(i) + 1];
        EXPECT_EQ(port["port"].toInt(), i + 1);
        EXPECT_EQ(row.rfind(port["name"].toString().toStdString() + " ", 0), 0u) << row;
        const std::string device =
            port["device"].isNull() ? "-" : port["device"].toString().toStdString();
        EXPECT_NE(row.find(" " + device + " "), std::string::npos) << row;
        EXPECT_EQ(port["rs232"].isNull(), !port["opens"].toBool()) << row;
    }
}

TEST_F(CliJsonTest, TransferThatCannotOpenItsPortTellsWhyInTheDocument)
{
    ASSERT_EQ(Run({"new", Path("mic.dat")}), 0);
    const std::string missing = Path("no-such-port");
    for (const char* command : {"read", "write"}) {
        const std::string file = Path(std::string(command) == "read" ? "out.dat" : "mic.dat");
        EXPECT_EQ(Run({command, "--port", missing, file, "--yes", "--json"}), 1) << command;
        const QJsonObject result = OutputJson();
        EXPECT_EQ(result["command"].toString(), command);
        EXPECT_FALSE(result["ok"].toBool());
        EXPECT_EQ(result["device"].toString().toStdString(), missing);
        const bool write = std::string(command) == "write";
        EXPECT_EQ(result["message"].toString(), "The COM port cannot be opened.");
        EXPECT_EQ(result["holds"].toString(), "as-it-was");
        EXPECT_EQ(result["stage"].toString(), "port");
        EXPECT_EQ(result["openFailure"].toString().toStdString(),
                  missing + ": No such file or directory");
        EXPECT_EQ(result["cause"].toString(), "no-port");
        EXPECT_EQ(result["causeText"].toString().toStdString(),
                  "the port does not open: " + missing + ": No such file or directory");
        EXPECT_EQ(result["outcome"].toString().indexOf(result["causeText"].toString()), -1)
            << "the cause has fields of its own, not a second time in the outcome";
        for (const std::string& line : {std::string("The COM port cannot be opened.\n"),
                                        "\nCause: the port does not open: " + missing,
                                        "\nTry: qzm530rx-cli doctor --port " + missing + "\n"})
            EXPECT_NE(m_err.str().find(line), std::string::npos) << line << "\n" << m_err.str();
        EXPECT_EQ(Occurrences(m_err.str(), "cannot be opened"), 1u) << m_err.str();
        EXPECT_EQ(Run({command, "--port", missing, file, "--yes"}), 1) << command;
        EXPECT_EQ(Occurrences(m_err.str() + m_out.str(), "cannot be opened"), 1u)
            << "one line per failure\n"
            << m_err.str() << m_out.str();
        EXPECT_TRUE(result["model"].isNull() && result["version"].isNull());
        EXPECT_EQ(result["sha256"].isNull(), !write) << "a write names FILE's image";
    }
    EXPECT_FALSE(std::filesystem::exists(Path("out.dat")));

    // Not confirmed: the document still comes, with the reason.
    EXPECT_EQ(Run({"read", "--port", missing, Path("out.dat"), "--json"}), 1);
    const QJsonObject refused = OutputJson();
    EXPECT_NE(refused["message"].toString().indexOf("--yes"), -1);
    // No job ran: no result, and every field of the record is null.
    for (const char* field : {"result", "stage", "cause", "holds", "operation", "outcome"})
        EXPECT_TRUE(refused[field].isNull()) << field;
    EXPECT_EQ(refused["file"].toString().toStdString(), Path("out.dat")) << "the command's file";
}

TEST(CliOpenFailure, PermissionsGetTheFixOtherFailuresTheSystemsReason)
{
    using Kind = COpenFailure::Kind;
    EXPECT_EQ(OpenFailureText({Kind::PermissionDenied, "Permission denied"}, "/dev/ttyUSB0"),
              "permission denied: add your user to the group that owns /dev/ttyUSB0, e.g. "
              "dialout, and log in again");
    EXPECT_EQ(OpenFailureText({Kind::Other, "Device or resource busy"}, "/dev/ttyS0"),
              "/dev/ttyS0: Device or resource busy");
    EXPECT_EQ(OpenFailureText({Kind::NoDevice, ""}, ""),
              "no serial device has that port number ('qzm530rx-cli ports' lists them)");
    EXPECT_EQ(OpenFailureText({Kind::None, ""}, "/dev/ttyS0"), "");
}

TEST_F(CliJsonTest, VersionComesFromTheBuild)
{
    ASSERT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(m_out.str(), std::string("qzm530rx-cli (QZM-530RX) ") + kQzmVersion + "\n");
}
