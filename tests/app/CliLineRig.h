#pragma once
// The command-line tool run in-process against virtual microphones on lines
// inside the test, one line per port the command names, with a stop flag
// that stands in for Ctrl+C.
#include "CliRig.h"

#include "job/LogLayout.h"
#include "link/FleetRig.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

constexpr const char* kPortA = "/dev/vmic-a";
constexpr const char* kPortB = "/dev/vmic-b";
constexpr int kNoiseAttenuation = 1006;

class CCliLineTest : public CCliTest
{
protected:
    void SetUp() override
    {
        CCliTest::SetUp();
        ASSERT_EQ(Run({"new", Path("mic.dat")}), 0);
        // other.dat differs from mic.dat in one setting.
        ASSERT_EQ(Run({"new", Path("other.dat")}), 0);
        ASSERT_EQ(Run({"set", Path("other.dat"), "1006=-10dB"}), 0);
    }

    CFleetRigPort& Port(const std::string& name)
    {
        auto& port = m_ports[name];
        if (!port) {
            port = std::make_unique<CFleetRigPort>(name);
            port->mic.SetReceiveHook(
                [this, rig = port.get()](const uint8_t*, std::size_t, uint32_t) {
                    if (rig->mic.BlocksStored() == 0)
                        m_servedBeforeWrite[rig->name] = rig->mic.BlocksServed();
                    if (m_arrival)
                        m_arrival(*rig);
                });
        }
        return *port;
    }
    // The microphone on `port` holds the configuration of data file `name`.
    void Holds(const std::string& port, const std::string& name)
    {
        CConfigStore store;
        ForeignProductName foreign{};
        ASSERT_EQ(LoadDataFile(store, Path(name), foreign), DataFile::kLoaded);
        store.TransferToImage();
        const uint8_t* image = store.WorkingImage();
        std::copy(image, image + Port(port).mic.GetImage().size(),
                  Port(port).mic.GetImage().begin());
    }
    int Cli(std::vector<std::string> words)
    {
        words.insert(words.begin(), "qzm530rx-cli");
        m_out.str({});
        m_err.str({});
        m_stop = false;
        return RunCli(
            words, m_in, m_out, m_err, m_terminal, m_clock, false,
            [this](const std::string& port) { return Port(port).MakeLink(); }, &m_stop);
    }
    QJsonObject Json() const
    {
        return QJsonDocument::fromJson(QByteArray::fromStdString(m_out.str())).object();
    }
    // JSON Lines on stdout: an object a line.
    std::vector<QJsonObject> JsonLines() const
    {
        std::vector<QJsonObject> lines;
        std::istringstream out(m_out.str());
        for (std::string line; std::getline(out, line);)
            lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
        return lines;
    }
    // The log's last line, as the log's readers take it.
    CLogEntry LastLogEntry(const std::string& name = "run.csv") const
    {
        const std::string text = Bytes(name);
        LogVersion version = kNewestLog;
        const std::vector<CCsvRecord> lines = ParseCsv(text);
        CLogEntry entry;
        if (lines.size() > 1 && ReadLogHeader(text.substr(0, text.find('\n')), version))
            ReadLogEntry(lines.back().fields, version, entry);
        return entry;
    }
    std::string LastLogLine() const
    {
        std::ifstream log(Path("run.csv"));
        std::string line;
        for (std::string next; std::getline(log, next);)
            line = next;
        return line;
    }
    // Blocks the microphone had served before the first block was written.
    int ServedBeforeWrite(const std::string& port) { return m_servedBeforeWrite[port]; }

    std::map<std::string, std::unique_ptr<CFleetRigPort>> m_ports;
    std::map<std::string, int> m_servedBeforeWrite;
    std::function<void(CFleetRigPort&)> m_arrival;
    std::atomic<bool> m_stop{false}; // what Ctrl+C sets
    bool m_terminal = false;         // whether standard input is a terminal
};

inline bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The fields of a log line up to the result (the message, which may be
// quoted, and the duration left off).
inline std::vector<std::string> LeadingFields(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (int i = 0; i < 9; ++i) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        start = comma == std::string::npos ? line.size() : comma + 1;
    }
    return fields;
}
constexpr std::size_t kShaField = 7;
constexpr std::size_t kResultField = 8;

// How the microphone on a port takes a write.
enum class Takes
{
    kAll,       // holds what was written
    kOneByte,   // keeps one byte of block 5 wrong
    kNoReadBack // goes silent once written
};

inline void Play(CFleetRigPort& port, Takes takes)
{
    port.mic.SetStoredHandler([&port, takes] {
        if (takes == Takes::kOneByte)
            port.mic.GetImage()[0x054B] ^= 0x01;
        if (takes == Takes::kNoReadBack) {
            CMicFaults silent;
            silent.silent = true;
            port.mic.SetFaults(silent);
        }
    });
}
