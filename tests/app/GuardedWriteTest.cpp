// The guarded commands of the tool, in-process against virtual microphones
// on lines inside the test: read confirmed by a second read, verify against
// a file, the changes shown before a write, microphones that already hold
// the configuration left alone, and what a broken write says about the way
// back.
#include "CliLineRig.h"
#include "job/LogLayout.h"
#include "job/ShopRecord.h"
#include "words/RecordWords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <sstream>

namespace {

using GuardedWriteTest = CCliLineTest;

TEST_F(GuardedWriteTest, ReadReadsUntilTwoReadsAgreeUnlessToldNotTo)
{
    CFleetRigPort& port = Port(kPortA);
    EXPECT_EQ(Cli({"read", "--port", kPortA, Path("x.dat"), "--yes", "--quiet"}), 0) << m_err.str();
    EXPECT_EQ(port.mic.BlocksServed(), 18);
    EXPECT_EQ(Cli({"read", "--port", kPortA, Path("y.dat"), "--yes", "--quiet", "--no-verify"}), 0);
    EXPECT_EQ(port.mic.BlocksServed(), 27);
    EXPECT_EQ(Bytes("x.dat"), Bytes("y.dat"));
}

TEST_F(GuardedWriteTest, VerifyComparesWithTheMicrophoneFirstAndNeverWrites)
{
    CFleetRigPort& port = Port(kPortA);
    Holds(kPortA, "mic.dat");
    const std::string log = Path("run.csv");
    EXPECT_EQ(Cli({"verify", "--port", kPortA, Path("mic.dat"), "--quiet", "--log", log}), 0);
    EXPECT_EQ(LastLogEntry()[LogColumn::kOperation], "verify");
    EXPECT_EQ(LastLogEntry()[LogColumn::kResult], "same");

    EXPECT_EQ(Cli({"verify", "--port", kPortA, Path("other.dat"), "--quiet", "--log", log}),
              CliExit::kHoldsOther);
    EXPECT_TRUE(Has(m_out.str(), "Noise Attenuation Level: 0dB (0xFFFF, not an option) -> "
                                 "-10dB (0x0005)\n"))
        << "the microphone's value first: " << m_out.str();
    EXPECT_EQ(LastLogEntry()[LogColumn::kResult], "holds-other") << "a word of its own";
    EXPECT_EQ(LastLogEntry()[LogColumn::kCause], "other-configuration");

    EXPECT_EQ(Cli({"verify", "--port", kPortA, Path("other.dat"), "--quiet", "--json"}),
              CliExit::kHoldsOther);
    const QJsonObject json = Json();
    EXPECT_EQ(json["result"].toString(), "holds-other");
    EXPECT_EQ(json["blocks"].toArray(), QJsonArray{1});
    EXPECT_FALSE(json["same"].toBool());
    EXPECT_EQ(json["b"].toString().toStdString(), Path("other.dat"));
    const QJsonObject setting = json["settings"].toArray().first().toObject();
    EXPECT_EQ(setting["id"].toInt(), kNoiseAttenuation);
    EXPECT_EQ(setting["a"].toObject()["value"].toString(), "0dB") << "a is the microphone";
    EXPECT_EQ(setting["b"].toObject()["value"].toString(), "-10dB");

    CMicFaults silent;
    silent.silent = true;
    port.mic.SetFaults(silent);
    EXPECT_EQ(Cli({"verify", "--port", kPortA, Path("mic.dat"), "--quiet", "--log", log}),
              CliExit::kFailure);
    EXPECT_TRUE(Has(LastLogLine(), ",failed,")) << LastLogLine();
    EXPECT_EQ(port.mic.BlocksStored(), 0) << "verify never writes";
}

TEST_F(GuardedWriteTest, ChangesComeFromTheOneReadBeforeTheWriteWhichIsAlsoTheBackup)
{
    for (const bool backup : {false, true}) {
        m_ports.clear();
        m_servedBeforeWrite.clear();
        CFleetRigPort& port = Port(kPortA);
        Holds(kPortA, "mic.dat");
        const auto before = port.mic.GetImage();
        std::vector<std::string> words = {"write",     "--port", kPortA,   Path("other.dat"),
                                          "--changes", "--yes",  "--quiet"};
        if (backup) {
            words.push_back("--backup");
            words.push_back(Path("bk"));
        }
        EXPECT_EQ(Cli(words), 0) << m_err.str();
        // A backup is read until two reads agree; the preview takes that read.
        EXPECT_EQ(ServedBeforeWrite(kPortA), backup ? 18 : 9)
            << "one read before the write, backup " << backup;
        const std::string out = m_out.str();
        const std::size_t change =
            out.find("Noise Attenuation Level: 0dB (0xFFFF, not an option) -> -10dB");
        EXPECT_NE(change, std::string::npos) << out;
        EXPECT_LT(change, out.find("Verified")) << out;
        if (!backup)
            continue;
        ASSERT_TRUE(std::filesystem::is_directory(Path("bk")));
        const auto saved = std::filesystem::directory_iterator(Path("bk"))->path();
        CConfigStore store;
        ForeignProductName foreign{};
        ASSERT_EQ(LoadDataFile(store, saved.string(), foreign), DataFile::kLoaded);
        store.TransferToImage();
        EXPECT_TRUE(std::equal(before.begin(), before.end(), store.WorkingImage()))
            << "the backup holds the microphone as it was";
    }

    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--changes", "--yes", "--quiet"}),
              0);
    EXPECT_TRUE(Has(m_out.str(), "The microphone already holds this configuration.\n"))
        << m_out.str();
}

TEST_F(GuardedWriteTest, SkipSameWritesOnlyTheMicrophonesThatDiffer)
{
    Holds(kPortA, "other.dat");
    Holds(kPortB, "mic.dat");
    const std::string log = Path("run.csv");
    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--skip-same", "--yes", "--quiet",
                   "--log", log}),
              0);
    EXPECT_EQ(Port(kPortA).mic.BlocksStored(), 0);
    EXPECT_EQ(Port(kPortA).mic.BlocksServed(), 9) << "read once, not confirmed, not written";
    EXPECT_TRUE(Has(m_out.str(), "already holds the configuration")) << m_out.str();
    EXPECT_TRUE(Has(LastLogLine(), ",unchanged,")) << LastLogLine();

    EXPECT_EQ(Cli({"write", "--port", std::string(kPortA) + "," + kPortB, Path("other.dat"),
                   "--skip-same", "--yes", "--quiet"}),
              0)
        << m_err.str();
    EXPECT_EQ(Port(kPortA).mic.BlocksStored(), 0);
    EXPECT_EQ(Port(kPortB).mic.BlocksStored(), 9);
    const std::string out = m_out.str();
    EXPECT_TRUE(Has(out, std::string(kPortA) + ": microphone 1: unchanged")) << out;
    EXPECT_TRUE(Has(out, std::string(kPortB) + ": microphone 1: verified")) << out;
}

TEST_F(GuardedWriteTest, AWriteBrokenOffAfterBlockFourSaysWhatTheMicrophoneHoldsAndTheWayBack)
{
    for (const bool backup : {false, true}) {
        m_ports.clear();
        CFleetRigPort& port = Port(kPortA);
        Holds(kPortA, "mic.dat");
        // The connection is lost after the write's block 4, once any
        // backup read has ended.
        bool armed = false;
        m_arrival = [&armed, backup](CFleetRigPort& rig) {
            if (!armed && rig.mic.BlocksServed() == (backup ? 18 : 0)) {
                armed = true;
                CMicFaults drop;
                drop.dropAfterBlock = 4;
                rig.mic.SetFaults(drop);
            }
        };
        std::vector<std::string> words = {"write",   "--port", kPortA,  Path("other.dat"), "--yes",
                                          "--quiet", "--json", "--log", Path("run.csv")};
        if (backup) {
            words.push_back("--backup");
            words.push_back(Path("bk"));
        }
        EXPECT_EQ(Cli(words), CliExit::kFailure);
        EXPECT_EQ(port.mic.BlocksStored(), 5);
        const QJsonObject json = Json();
        EXPECT_EQ(json["holds"].toString(), "part-of-each");
        EXPECT_EQ(json["stage"].toString(), "block");
        EXPECT_EQ(json["cause"].toString(), "lost");
        EXPECT_EQ(json["block"].toInt(), 6) << "lost after block 5, as the progress counts";
        const std::string file =
            backup ? std::filesystem::directory_iterator(Path("bk"))->path().string()
                   : Path("other.dat");
        const QJsonObject way = json["wayBack"].toObject();
        EXPECT_EQ(way["file"].toString().toStdString(), file);
        EXPECT_EQ(way["backup"].toBool(), backup);
        EXPECT_EQ(way["port"].toString(), kPortA);
        const std::string command = std::string("qzm530rx-cli write --port ") + kPortA + " " + file;
        EXPECT_EQ(way["command"].toString().toStdString(), command);
        const CLogEntry line = LastLogEntry();
        EXPECT_EQ(line[LogColumn::kHolds], "part-of-each");
        EXPECT_TRUE(Has(line[LogColumn::kMessage], command)) << "the log says it too";
        m_arrival = nullptr;
    }
}

// A write on two ports whose second cable is pulled after block 4: the
// way back names the second port alone, wherever it is told (JSON, the
// log, the report), so that pasting it writes no other microphone.
TEST_F(GuardedWriteTest, TheWayBackOfABrokenWriteNamesItsOwnPortAlone)
{
    Holds(kPortB, "mic.dat");
    m_arrival = [](CFleetRigPort& rig) {
        if (rig.name == kPortB && rig.mic.BlocksStored() == 0 && rig.mic.BlocksServed() == 0) {
            CMicFaults drop;
            drop.dropAfterBlock = 4;
            rig.mic.SetFaults(drop);
        }
    };
    const std::string log = Path("run.csv");
    EXPECT_EQ(Cli({"write", "--port", std::string(kPortA) + "," + kPortB, Path("other.dat"),
                   "--yes", "--quiet", "--json", "--log", log}),
              CliExit::kFailure);
    m_arrival = nullptr;
    const std::string command =
        std::string("qzm530rx-cli write --port ") + kPortB + " " + Path("other.dat");
    bool told = false;
    for (const QJsonObject& line : JsonLines()) {
        if (line["port"].toString() != kPortB)
            continue;
        told = true;
        EXPECT_EQ(line["wayBack"].toObject()["port"].toString(), kPortB);
        EXPECT_EQ(line["wayBack"].toObject()["command"].toString().toStdString(), command);
        EXPECT_TRUE(Has(line["message"].toString().toStdString(), command));
    }
    EXPECT_TRUE(told) << m_out.str();
    EXPECT_TRUE(Has(Bytes("run.csv"), command)) << Bytes("run.csv");
    EXPECT_FALSE(Has(Bytes("run.csv"), std::string(kPortA) + "," + kPortB));
    EXPECT_EQ(Run({"report", log}), CliExit::kOk);
    EXPECT_TRUE(Has(m_out.str(), "To program again (1):")) << m_out.str();
    EXPECT_TRUE(Has(m_out.str(), command)) << m_out.str();
}

// What a write ends with: the exit code, and with --json "ok", "result" and
// "outcome", the sentence that the text form prints.
TEST_F(GuardedWriteTest, EveryWriteOutcomeSaysTheSameInTextJsonAndExitCode)
{
    const struct
    {
        Takes takes;
        int exitCode;
        const char* result;
        const char* sentence;
    } cases[] = {
        {Takes::kAll, CliExit::kOk, "verified",
         "Verified: the microphone holds the image written."},
        {Takes::kOneByte, CliExit::kFailure, "differs", "Written but differs: block 6 differs"},
        {Takes::kNoReadBack, CliExit::kNotVerified, "written-not-verified",
         "Written, not verified: "},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> words = {
            "write", "--port", kPortA, Path("other.dat"), "--yes", "--quiet", "--verify-wait", "1"};
        m_ports.clear();
        Play(Port(kPortA), c.takes);
        EXPECT_EQ(Cli(words), c.exitCode) << c.result;
        // The job's sentence on a line of its own: on stdout when it did
        // what it was asked, else on stderr with the failure.
        const std::string text = c.exitCode == CliExit::kOk ? m_out.str() : m_err.str();
        ASSERT_GT(text.size(), 1u);
        const std::string sentence = text.substr(text.rfind('\n', text.size() - 2) + 1);
        EXPECT_EQ(sentence.rfind(c.sentence, 0), 0u) << text;

        m_ports.clear();
        Play(Port(kPortA), c.takes);
        std::vector<std::string> json = words;
        json.push_back("--json");
        EXPECT_EQ(Cli(json), c.exitCode) << c.result;
        EXPECT_EQ(Json()["ok"].toBool(), c.exitCode == CliExit::kOk) << c.result;
        EXPECT_EQ(Json()["result"].toString().toStdString(), c.result);
        EXPECT_EQ(Json()["outcome"].toString().toStdString() + "\n", sentence) << c.result;
    }
}

// With --repeat the exit code is that of the worst microphone: a failure
// stays, whatever comes after it.
TEST_F(GuardedWriteTest, RepeatKeepsAFailureOverALaterWriteNotVerified)
{
    CFleetRigPort& port = Port(kPortA);
    CMicFaults refusing;
    refusing.nakWrites = 4; // the first block, each time it is sent
    port.mic.SetFaults(refusing);
    Play(port, Takes::kNoReadBack);
    m_in.clear();
    m_in.str("\nq\n");
    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--yes", "--quiet", "--repeat",
                   "--verify-wait", "1", "--json"}),
              CliExit::kFailure)
        << m_err.str();
    // JSON Lines: an object per microphone as it ends, then the summary.
    const std::vector<QJsonObject> lines = JsonLines();
    ASSERT_EQ(lines.size(), 3u) << m_out.str();
    EXPECT_EQ(lines[0]["microphone"].toInt(), 1);
    EXPECT_EQ(lines[0]["result"].toString(), "failed");
    EXPECT_EQ(lines[1]["result"].toString(), "written-not-verified");
    EXPECT_TRUE(lines[2]["summary"].toBool());
    EXPECT_EQ(lines[2]["microphones"].toInt(), 2);
    EXPECT_FALSE(lines[2]["ok"].toBool());
}

// A backup is read until two reads agree, read-back or not; a microphone
// that already holds the file is left alone before any backup is made, so
// it gets no backup file and no backup line. A backup folder that cannot
// be made is the folder's fault, said before any port is touched.
TEST_F(GuardedWriteTest, BackupsAreConfirmedAndNeverMadeOfAMicrophoneLeftAlone)
{
    for (const char* readBack : {"--verify", "--no-verify"}) {
        m_ports.clear();
        Holds(kPortA, "mic.dat");
        EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--yes", "--quiet", readBack,
                       "--backup", Path("bk")}),
                  0)
            << readBack;
        EXPECT_EQ(ServedBeforeWrite(kPortA), 18) << readBack;
    }
    std::filesystem::remove_all(Path("bk"));
    m_ports.clear();
    Holds(kPortA, "other.dat");
    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--yes", "--quiet", "--skip-same",
                   "--backup", Path("bk"), "--log", Path("run.csv")}),
              0)
        << m_err.str();
    EXPECT_EQ(Port(kPortA).mic.BlocksStored(), 0);
    EXPECT_FALSE(std::filesystem::exists(Path("bk")));
    EXPECT_EQ(LastLogEntry()[LogColumn::kOperation], "write");
    EXPECT_FALSE(Has(Bytes("run.csv"), ",backup,")) << Bytes("run.csv");

    // A backup read that breaks off: the document names the file written
    // and its image, and the backup as the operation that failed.
    m_ports.clear();
    CMicFaults dropping;
    dropping.dropAfterBlock = 2;
    Port(kPortA).mic.SetFaults(dropping);
    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--yes", "--quiet", "--json",
                   "--backup", Path("bk")}),
              CliExit::kFailure);
    EXPECT_EQ(Json()["operation"].toString(), "backup");
    EXPECT_EQ(Json()["file"].toString().toStdString(), Path("other.dat"));
    EXPECT_EQ(Json()["sha256"].toString().size(), 64);

    std::ofstream(Path("in-the-way")) << "a file where the folder would be";
    for (const std::string& folder : {Path("in-the-way"), Path("in-the-way/bk")}) {
        m_ports.clear();
        EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--yes", "--quiet", "--backup",
                       folder}),
                  CliExit::kUsage)
            << folder;
        EXPECT_TRUE(Has(m_err.str(), "--backup: the backup folder " + folder)) << m_err.str();
        EXPECT_EQ(Port(kPortA).line.OpenCount(), 0) << "no port was touched";
    }
}

TEST_F(GuardedWriteTest, ChangesAreRefusedBeforeThePortUnlessConfirmedAndTheWriteWaitsForItsEntry)
{
    CFleetRigPort& port = Port(kPortA);
    Holds(kPortA, "mic.dat");
    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--changes", "--quiet"}),
              CliExit::kFailure);
    EXPECT_TRUE(Has(m_err.str(), "give --yes")) << m_err.str();
    EXPECT_EQ(port.line.OpenCount(), 0) << "the port was not touched";
    EXPECT_EQ(m_out.str(), "");

    // The microphone does not answer the write's first entry, just after
    // the session of the preview.
    m_arrival = [](CFleetRigPort& rig) { rig.mic.SetPlugged(rig.line.OpenCount() != 2); };
    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--changes", "--yes", "--quiet"}),
              0)
        << m_err.str();
    EXPECT_EQ(port.line.OpenCount(), 4) << "preview, unanswered entry, write, read-back";
    EXPECT_EQ(port.mic.BlocksStored(), 9);
    m_arrival = nullptr;
}

// A read whose file cannot be written is refused before the microphone is
// read; one whose file could not be saved after all failed, in its log line
// as in its exit code; a log line that could not be written fails a read or
// a write that went well.
TEST_F(GuardedWriteTest, AFileOrLogLineThatCannotBeWrittenFailsTheTransfer)
{
    const std::string log = Path("run.csv");
    EXPECT_EQ(
        Cli({"read", "--port", kPortA, Path("no/folder/x.dat"), "--yes", "--quiet", "--log", log}),
        CliExit::kFailure);
    EXPECT_EQ(m_err.str(),
              "read: " + Path("no/folder/x.dat") + ": no such folder; nothing was read\n");
    EXPECT_EQ(Port(kPortA).line.OpenCount(), 0) << "the microphone was not touched";

    // The folder goes as the read begins.
    std::filesystem::create_directories(Path("going"));
    m_arrival = [this](CFleetRigPort&) { std::filesystem::remove_all(Path("going")); };
    EXPECT_EQ(
        Cli({"read", "--port", kPortA, Path("going/x.dat"), "--yes", "--quiet", "--log", log}),
        CliExit::kFailure);
    m_arrival = nullptr;
    const std::vector<std::string> fields = LeadingFields(LastLogLine());
    EXPECT_EQ(fields[kResultField], "failed") << LastLogLine();
    EXPECT_EQ(fields[kShaField], "") << "nothing was saved";
    EXPECT_TRUE(Has(LastLogLine(), "could not be saved")) << LastLogLine();

    // The log's file gives way to a folder once the transfer has begun.
    m_arrival = [&log](CFleetRigPort&) {
        if (std::filesystem::is_regular_file(log)) {
            std::filesystem::remove(log);
            std::filesystem::create_directory(log);
        }
    };
    for (const char* command : {"read", "write"}) {
        std::filesystem::remove_all(log);
        std::ofstream{log}; // empty: a new log
        const std::string file = Path(std::string(command) == "read" ? "y.dat" : "mic.dat");
        EXPECT_EQ(
            Cli({command, "--port", kPortA, file, "--yes", "--quiet", "--json", "--log", log}),
            CliExit::kFailure)
            << command;
        EXPECT_TRUE(Has(m_err.str(), "cannot write the log")) << m_err.str();
        EXPECT_FALSE(Json()["ok"].toBool()) << command << " " << m_out.str();
        EXPECT_EQ(Json()["result"].toString(), "verified") << "the transfer itself went well";
    }
    m_arrival = nullptr;
}

// Three reads that no two agree on are no answer about the file: a failure,
// never "differs". A verify line carries the file's SHA-256, as the write
// lines of that file do, whatever the microphone holds.
TEST_F(GuardedWriteTest, VerifyThatCannotSettleFailsAndEveryVerifyLineCarriesTheFilesHash)
{
    const std::string log = Path("run.csv");
    ASSERT_EQ(Cli({"write", "--port", kPortA, Path("mic.dat"), "--yes", "--quiet", "--log", log}),
              0);
    const std::string fileHash = LeadingFields(LastLogLine())[kShaField];
    ASSERT_EQ(fileHash.size(), 64u);
    ASSERT_EQ(Cli({"verify", "--port", kPortA, Path("mic.dat"), "--quiet", "--log", log}), 0);
    EXPECT_EQ(LeadingFields(LastLogLine())[kShaField], fileHash);
    Holds(kPortA, "other.dat");
    ASSERT_EQ(Cli({"verify", "--port", kPortA, Path("mic.dat"), "--quiet", "--log", log}),
              CliExit::kHoldsOther);
    EXPECT_EQ(LeadingFields(LastLogLine())[kShaField], fileHash)
        << "the file's, not the microphone's";

    // Block 1 changes with every arrival.
    m_arrival = [](CFleetRigPort& rig) {
        rig.mic.GetImage()[0x100] = static_cast<uint8_t>(rig.mic.BlocksServed());
    };
    EXPECT_EQ(Cli({"verify", "--port", kPortA, Path("mic.dat"), "--quiet", "--json", "--log", log}),
              CliExit::kFailure);
    m_arrival = nullptr;
    EXPECT_FALSE(Json()["ok"].toBool());
    EXPECT_EQ(Json()["result"].toString(), "failed");
    EXPECT_EQ(Json()["stage"].toString(), "confirm");
    EXPECT_EQ(Json()["cause"].toString(), "reads-disagree");
    EXPECT_EQ(Json()["blocks"].toArray(), QJsonArray{2}) << "block 2 kept changing";
    const std::vector<std::string> fields = LeadingFields(LastLogLine());
    EXPECT_EQ(fields[kResultField], "failed") << LastLogLine();
    EXPECT_EQ(fields[kShaField], fileHash);
}

TEST_F(GuardedWriteTest, VerifyOnSeveralPortsExitsWithTheWorstOutcome)
{
    const struct
    {
        const char* b; // what the microphone on port B holds; nullptr: it is silent
        int exitCode;
    } cases[] = {{"mic.dat", 0}, {"other.dat", CliExit::kHoldsOther}, {nullptr, CliExit::kFailure}};
    for (const auto& c : cases) {
        m_ports.clear();
        Holds(kPortA, "mic.dat");
        if (c.b) {
            Holds(kPortB, c.b);
        } else {
            CMicFaults silent;
            silent.silent = true;
            Port(kPortB).mic.SetFaults(silent);
        }
        EXPECT_EQ(Cli({"verify", "--port", std::string(kPortA) + "," + kPortB, Path("mic.dat"),
                       "--quiet"}),
                  c.exitCode)
            << (c.b ? c.b : "silent") << m_out.str();
        EXPECT_EQ(Port(kPortA).mic.BlocksStored() + Port(kPortB).mic.BlocksStored(), 0);

        // --json: one object a line for each microphone, then the summary.
        Cli({"verify", "--port", std::string(kPortA) + "," + kPortB, Path("mic.dat"), "--quiet",
             "--json"});
        std::map<std::string, std::string> results;
        QJsonObject summary;
        std::istringstream out(m_out.str());
        for (std::string line; std::getline(out, line);) {
            const QJsonObject object =
                QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
            ASSERT_FALSE(object.isEmpty()) << "not an object a line: " << m_out.str();
            if (object["summary"].toBool())
                summary = object;
            else
                results[object["port"].toString().toStdString()] =
                    object["result"].toString().toStdString();
        }
        EXPECT_EQ(results[kPortA], "same");
        EXPECT_EQ(results[kPortB], c.b == nullptr                    ? "failed"
                                   : std::string(c.b) == "other.dat" ? "holds-other"
                                                                     : "same");
        EXPECT_EQ(summary["ok"].toBool(), c.exitCode == 0) << m_out.str();
    }
}

TEST_F(GuardedWriteTest, RepeatNamesMicrophonesLeftAloneAndItsJsonIsOkOnlyWhenAllWent)
{
    Holds(kPortA, "other.dat");
    m_in.clear();
    m_in.str("q\n");
    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--yes", "--quiet", "--repeat",
                   "--skip-same", "--json"}),
              0);
    EXPECT_EQ(JsonLines().at(0)["result"].toString(), "unchanged") << m_out.str();
    EXPECT_EQ(Port(kPortA).mic.BlocksStored(), 0);

    // Every microphone written, the second not read back: the summary is
    // not ok, whatever the exit code says of the worst.
    m_ports.clear();
    int writes = 0;
    CFleetRigPort& port = Port(kPortA);
    port.mic.SetStoredHandler([&port, &writes] {
        if (++writes == 2) {
            CMicFaults silent;
            silent.silent = true;
            port.mic.SetFaults(silent);
        }
    });
    m_in.clear();
    m_in.str("\nq\n");
    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--yes", "--quiet", "--repeat",
                   "--verify-wait", "0", "--json"}),
              CliExit::kNotVerified);
    const std::vector<QJsonObject> lines = JsonLines();
    ASSERT_EQ(lines.size(), 3u) << m_out.str();
    EXPECT_EQ(lines[0]["result"].toString(), "verified");
    EXPECT_EQ(lines[1]["result"].toString(), "written-not-verified");
    EXPECT_TRUE(lines[2]["summary"].toBool());
    EXPECT_FALSE(lines[2]["ok"].toBool()) << m_out.str();
}

// The way back that a broken write prints is pasted into a shell: words
// with blanks or the shell's own characters are quoted.
TEST_F(GuardedWriteTest, TheWayBackIsACommandThatAShellTakesAsItStands)
{
    const std::string plain = "a_1.2+b,c=d@e%f:g.dat";
    const struct
    {
        std::string port;
        std::string file;
        std::string command; // after "completes it: "
    } cases[] = {
        {"/dev/vmic a", "my file.dat",
         "qzm530rx-cli write --port '/dev/vmic a' '" + Path("my file.dat") + "'"},
        {kPortA, "it's $HOME;*.dat",
         std::string("qzm530rx-cli write --port ") + kPortA + " '" + Path("it") + "'\\''s " +
             "$HOME;*.dat'"},
        {kPortA, plain, std::string("qzm530rx-cli write --port ") + kPortA + " " + Path(plain)},
    };
    for (const auto& c : cases) {
        m_ports.clear();
        std::filesystem::copy_file(Path("other.dat"), Path(c.file),
                                   std::filesystem::copy_options::overwrite_existing);
        CMicFaults drop;
        drop.dropAfterBlock = 4;
        Port(c.port).mic.SetFaults(drop);
        EXPECT_EQ(Cli({"write", "--port", c.port, Path(c.file), "--yes", "--quiet"}),
                  CliExit::kFailure);
        EXPECT_TRUE(Has(m_err.str(), "completes it: " + c.command + "\n")) << m_err.str();
    }
}

// --trace stamps each exchange with the time since the first one.
TEST_F(GuardedWriteTest, ATraceCountsItsTimeFromTheFirstExchange)
{
    Port(kPortA);
    EXPECT_EQ(Cli({"read", "--port", kPortA, Path("x.dat"), "--yes", "--quiet", "--no-verify",
                   "--trace"}),
              0);
    std::istringstream lines(m_out.str());
    std::vector<std::string> stamps;
    for (std::string line; std::getline(lines, line);)
        if (Has(line, " P>M ") || Has(line, " M>P "))
            stamps.push_back(line.substr(0, line.find(' ', line.find_first_not_of(' '))));
    ASSERT_GT(stamps.size(), 10u) << m_out.str();
    EXPECT_EQ(stamps.front(), "    0.000");
    EXPECT_NE(stamps.back(), stamps.front()) << m_out.str();
    EXPECT_TRUE(std::is_sorted(stamps.begin(), stamps.end()));
}

TEST_F(GuardedWriteTest, AWordThatIsNotUnderstoodIsNamedInTwoLines)
{
    const std::string write = "Try 'qzm530rx-cli write --help'.\n";
    const struct
    {
        std::vector<std::string> words;
        std::string first;
    } cases[] = {
        {{"write", "--port", kPortA, Path("mic.dat"), "surplus"},
         "qzm530rx-cli write: unexpected argument 'surplus'\n"},
        {{"write", "--frobnicate", Path("mic.dat")},
         "qzm530rx-cli write: unknown option '--frobnicate'\n"},
        {{"write", Path("mic.dat"), "--port"},
         "qzm530rx-cli write: option '--port' needs a value\n"},
        {{"write", "--yes=1", Path("mic.dat")}, "qzm530rx-cli write: unknown option '--yes=1'\n"},
        {{"write", "--frob=2", Path("mic.dat")}, "qzm530rx-cli write: unknown option '--frob=2'\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cli(c.words), CliExit::kUsage) << c.first;
        EXPECT_EQ(m_err.str(), c.first + write);
        EXPECT_EQ(m_out.str(), "");
    }
    EXPECT_EQ(Cli({"frob"}), CliExit::kUsage);
    EXPECT_EQ(m_err.str(), "qzm530rx-cli: unknown command 'frob'\nTry 'qzm530rx-cli --help'.\n");
    EXPECT_EQ(Cli({"write"}), CliExit::kUsage);
    const std::string missing = m_err.str();
    EXPECT_EQ(std::count(missing.begin(), missing.end(), '\n'), 3) << missing;
    EXPECT_TRUE(Has(missing, "missing argument")) << missing;
    EXPECT_EQ(Cli({"write", "--help"}), 0);
    EXPECT_TRUE(Has(m_out.str(), "--skip-same")) << "the whole help, on stdout";
    EXPECT_EQ(m_err.str(), "");
    EXPECT_TRUE(m_ports.empty()) << "no port was opened";
}

} // namespace

namespace {

// Ctrl+C (the stop request its handler sets) at a point of each transfer:
// the transfer ends there as a failure at that step would, with the port
// closed, a log line "interrupted", what the microphone now holds, and the
// interrupt's status.
TEST_F(GuardedWriteTest, CtrlCStopsATransferAtItsNextStepAndSaysWhatItLeft)
{
    ASSERT_EQ(Run({"new", Path("keep.dat")}), 0);
    const std::string keep = Bytes("keep.dat");
    const struct
    {
        std::vector<std::string> words;
        std::function<bool(CVirtualMic& mic)> when; // asked with each arrival
        const char* operation;
        const char* stage;
        const char* holds;
        int storedAtMost;
    } cases[] = {
        {{"write", "--port", kPortA, Path("other.dat"), "--yes"},
         [](CVirtualMic& mic) { return mic.BlocksStored() == 3; },
         "write",
         "block",
         "part-of-each",
         4},
        {{"write", "--port", kPortA, Path("other.dat"), "--yes", "--skip-same"},
         [](CVirtualMic& mic) { return mic.BlocksServed() == 2; },
         "write",
         "block",
         "as-it-was",
         0},
        {{"write", "--port", kPortA, Path("other.dat"), "--yes"},
         [](CVirtualMic& mic) { return mic.BlocksServed() == 2 && mic.BlocksStored() == 9; },
         "write",
         "read-back",
         "not-known",
         9},
        {{"read", "--port", kPortA, Path("keep.dat"), "--yes", "--force"},
         [](CVirtualMic& mic) { return mic.BlocksServed() == 11; },
         "read",
         "block",
         "as-it-was",
         0},
        {{"verify", "--port", kPortA, Path("other.dat")},
         [](CVirtualMic& mic) { return mic.BlocksServed() == 4; },
         "verify",
         "block",
         "as-it-was",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.operation) + " at " + c.stage);
        m_ports.clear();
        std::filesystem::remove(Path("run.csv"));
        m_arrival = [this, &c](CFleetRigPort& port) {
            if (c.when(port.mic))
                m_stop = true;
        };
        std::vector<std::string> words = c.words;
        words.insert(words.end(), {"--log", Path("run.csv"), "--json"});
        // 130: the status a shell reports for a program that Ctrl+C ended.
        EXPECT_EQ(Cli(words), 130) << m_err.str();
        m_arrival = nullptr;
        CFleetRigPort& port = Port(kPortA);
        EXPECT_FALSE(port.mic.InProgramMode()) << "the session was ended";
        EXPECT_FALSE(port.line.IsOpen()) << "the port was closed";
        EXPECT_LE(port.mic.BlocksStored(), c.storedAtMost);
        const QJsonObject json = Json();
        EXPECT_EQ(json["result"].toString(), "interrupted");
        EXPECT_EQ(json["holds"].toString(), c.holds);
        EXPECT_TRUE(json["message"].isNull()) << "a stop is no link failure";
        const CLogEntry line = LastLogEntry();
        EXPECT_EQ(line[LogColumn::kOperation], c.operation);
        EXPECT_EQ(line[LogColumn::kResult], "interrupted");
        EXPECT_EQ(line[LogColumn::kStage], c.stage);
        EXPECT_EQ(line[LogColumn::kHolds], c.holds);
    }
    EXPECT_EQ(Bytes("keep.dat"), keep) << "an interrupted read leaves its file as it was";

    // --repeat ends with the microphone that was interrupted.
    m_ports.clear();
    m_in.clear();
    m_in.str("\n\n\nq\n");
    m_arrival = [this](CFleetRigPort& port) {
        if (port.mic.BlocksStored() == 3)
            m_stop = true;
    };
    EXPECT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--yes", "--repeat", "--quiet",
                   "--json"}),
              CliExit::kInterrupted);
    m_arrival = nullptr;
    const std::vector<QJsonObject> lines = JsonLines();
    ASSERT_EQ(lines.size(), 2u) << m_out.str();
    EXPECT_EQ(lines[0]["result"].toString(), "interrupted");
    EXPECT_TRUE(lines[1]["summary"].toBool());
    EXPECT_FALSE(Has(m_err.str(), "Connect the next microphone")) << m_err.str();
}

} // namespace

namespace {

// Each link fault of a transfer is named in a line of its own after the
// program's message, in the JSON as well; the port and the entry send the
// user to doctor, a fault in the blocks does not.
TEST_F(GuardedWriteTest, AFailureNamesItsCauseAndDoctorOnlyForThePortOrTheEntry)
{
    struct CCase
    {
        const char* name;
        const char* command;
        CMicFaults faults;
        const char* cause; // its word
        const char* stage;
        bool doctor;
    };
    CMicFaults silent;
    silent.silent = true;
    CMicFaults nak;
    nak.nakWrites = 3;
    CMicFaults drop;
    drop.dropAfterBlock = 3;
    CMicFaults model;
    model.model = "PVHM_999";
    CMicFaults garbled;
    garbled.model = "PVHM_803"; // two bits from PVHM_812
    const CCase cases[] = {
        {"silent", "write", silent, "no-answer", "entry", true},
        {"NAK", "write", nak, "refused", "block", false},
        {"drop", "read", drop, "lost", "block", false},
        {"model", "verify", model, "other-model", "model", false},
        {"garbled", "write", garbled, "garbled-identifier", "model", false},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_ports.clear();
        Port(kPortA).mic.SetFaults(c.faults);
        const std::string file = Path(std::string(c.command) == "read" ? "x.dat" : "mic.dat");
        std::filesystem::remove(Path("x.dat"));
        std::vector<std::string> words = {c.command, "--port", kPortA, file, "--quiet"};
        if (std::string(c.command) != "verify")
            words.push_back("--yes");
        EXPECT_EQ(Cli(words), CliExit::kFailure);
        const std::string err = m_err.str();
        EXPECT_TRUE(Has(err, "\nCause: ")) << err;
        EXPECT_EQ(Has(err, std::string("Try: qzm530rx-cli doctor --port ") + kPortA + "\n"),
                  c.doctor)
            << err;

        m_ports.clear();
        Port(kPortA).mic.SetFaults(c.faults);
        words.push_back("--json");
        Cli(words);
        const QJsonObject json = Json();
        EXPECT_EQ(json["cause"].toString(), c.cause) << m_out.str();
        EXPECT_EQ(json["stage"].toString(), c.stage);
        EXPECT_TRUE(Has(err, json["causeText"].toString().toStdString())) << "the line's words";
        EXPECT_EQ(Port(kPortA).mic.BlocksStored(), 0);
    }

    // A read that reads once says so in its own words.
    m_ports.clear();
    Port(kPortA).mic.SetFaults(drop);
    EXPECT_EQ(Cli({"read", "--port", kPortA, Path("once.dat"), "--yes", "--quiet", "--no-verify",
                   "--json"}),
              CliExit::kFailure);
    EXPECT_EQ(Json()["operation"].toString(), "read");
    EXPECT_EQ(Json()["cause"].toString(), "lost");
    EXPECT_FALSE(std::filesystem::exists(Path("once.dat")));
}

} // namespace

namespace {

// new and read replace an existing file only with --force or a yes on the
// terminal; without a terminal they refuse before the microphone is touched.
TEST_F(GuardedWriteTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo)
{
    struct CCase
    {
        std::vector<std::string> words;
        bool terminal;
        const char* input;
        int exit;
        bool replaced;
    };
    const std::string keep = Path("keep.dat");
    const CCase cases[] = {
        {{"new", keep}, false, "", CliExit::kUsage, false},
        {{"new", keep}, true, "n\n", CliExit::kUsage, false},
        {{"new", keep}, true, "y\n", CliExit::kOk, true},
        {{"new", keep, "--force"}, false, "", CliExit::kOk, true},
        {{"read", "--port", kPortA, keep, "--yes", "--quiet"}, false, "", CliExit::kUsage, false},
        {{"read", "--port", kPortA, keep, "--yes", "--quiet"}, true, "\n", CliExit::kUsage, false},
        {{"read", "--port", kPortA, keep, "--yes", "--quiet"}, true, "Y\n", CliExit::kOk, true},
        {{"read", "--port", kPortA, keep, "--quiet", "--force"}, true, "y\n", CliExit::kOk, true},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.words[0] + " " + (c.terminal ? "on a terminal" : "") + " " + c.input);
        m_ports.clear();
        std::filesystem::copy_file(Path("other.dat"), keep,
                                   std::filesystem::copy_options::overwrite_existing);
        m_terminal = c.terminal;
        m_in.clear();
        m_in.str(c.input);
        EXPECT_EQ(Cli(c.words), c.exit) << m_err.str();
        m_terminal = false;
        EXPECT_EQ(Bytes("keep.dat") != Bytes("other.dat"), c.replaced);
        if (c.words[0] == "read") {
            EXPECT_EQ(Port(kPortA).line.OpenCount() > 0, c.replaced) << "touched only to read";
            EXPECT_EQ(Has(m_err.str(), "Reading into " + keep + ", replacing it."), c.replaced)
                << m_err.str();
        }
        EXPECT_EQ(Has(m_err.str(), keep + " exists"), !Has(c.words.back(), "--force"))
            << m_err.str();
    }
}

} // namespace

namespace {

constexpr std::size_t kPortField = 1;

// 5, COM5 and com5 are one cable, named COM5 wherever it is named; a
// relative device path is a path from the current folder, as doctor takes
// it; a COM number beyond the system's range is refused before any port is
// touched.
TEST_F(GuardedWriteTest, APortHasOneNameAndANumberOutOfRangeIsRefused)
{
    const std::string log = Path("run.csv");
    const std::string relative = "vmic-here";
    const std::string absolute = std::filesystem::absolute(relative).lexically_normal().string();
    const std::pair<const char*, std::string> names[] = {
        {"5", "COM5"}, {"COM5", "COM5"}, {"com5", "COM5"}, {relative.c_str(), absolute}};
    for (const auto& [given, name] : names) {
        SCOPED_TRACE(given);
        m_ports.clear();
        Holds(name, "mic.dat");
        EXPECT_EQ(Cli({"verify", "--port", given, Path("mic.dat"), "--quiet", "--log", log}),
                  CliExit::kOk)
            << m_err.str();
        EXPECT_EQ(m_ports.size(), 1u) << "the link was made for " << name << " only";
        EXPECT_EQ(LeadingFields(LastLogLine())[kPortField], name) << LastLogLine();
    }

    for (const char* given : {"25", "COM21", "3,25"}) {
        SCOPED_TRACE(given);
        m_ports.clear();
        EXPECT_EQ(Cli({"verify", "--port", given, Path("mic.dat"), "--quiet"}), CliExit::kUsage);
        EXPECT_TRUE(Has(m_err.str(), "COM numbers go from 1 to 20 on this system")) << m_err.str();
        EXPECT_TRUE(m_ports.empty());
    }
}

} // namespace

namespace {

// The write's preparation, which may take a while, is announced once before
// the first block; a read has none.
TEST_F(GuardedWriteTest, TheWritePreparationIsAnnouncedBeforeItsFirstBlock)
{
    const std::string notice = "Preparing the microphone for the write; this can take up to 20 s.";
    ASSERT_EQ(Cli({"write", "--port", kPortA, Path("other.dat"), "--yes", "--no-verify"}),
              CliExit::kOk)
        << m_err.str();
    const std::string err = m_err.str();
    const std::size_t at = err.find(notice);
    ASSERT_NE(at, std::string::npos) << err;
    EXPECT_EQ(err.find(notice, at + 1), std::string::npos) << "once";
    EXPECT_LT(at, err.find("Block 1 / 9")) << err;

    ASSERT_EQ(Cli({"read", "--port", kPortA, Path("x.dat"), "--yes", "--no-verify"}), CliExit::kOk);
    EXPECT_FALSE(Has(m_err.str(), notice)) << m_err.str();
}

} // namespace

namespace {

// --ask-label: where it may be given, and --repeat asking each microphone's
// label in place of Enter.
TEST_F(GuardedWriteTest, LabelsAreAskedOnlyWhereTheyCanBeReadAndNameEachMicrophone)
{
    std::ofstream(Path("old.csv"))
        << "time,port,device,model,version,operation,file,sha256,result,message,duration_s\r\n";
    const std::string mic = Path("mic.dat");
    const std::string two = std::string(kPortA) + "," + kPortB;
    const std::vector<std::vector<std::string>> refused = {
        {"write", "--port", kPortA, mic, "--repeat", "--ask-label"},
        {"write", "--port", kPortA, mic, "--yes", "--ask-label"},
        {"write", "--port", two, mic, "--yes", "--continuous", "--ask-label"},
        {"write", "--port", kPortA, mic, "--yes", "--repeat", "--ask-label", "--log",
         Path("old.csv")},
    };
    for (const auto& words : refused) {
        m_ports.clear();
        EXPECT_EQ(Cli(words), CliExit::kUsage) << words.back() << " " << words[4];
        EXPECT_TRUE(Has(m_err.str(), "--ask-label")) << m_err.str();
        EXPECT_TRUE(m_ports.empty() || Port(kPortA).line.OpenCount() == 0);
    }

    // --repeat asks each microphone's label in place of Enter; from a pipe
    // a refused one ends the run.
    m_ports.clear();
    m_in.clear();
    m_in.str("SN-1\n" + std::string(65, 'x') + "\nSN-2\n\n");
    EXPECT_EQ(Cli({"write", "--port", kPortA, mic, "--yes", "--repeat", "--ask-label", "--quiet",
                   "--json", "--log", Path("run.csv")}),
              CliExit::kOk)
        << m_err.str();
    EXPECT_TRUE(Has(m_err.str(), "(line 2 of the labels)")) << m_err.str();
    EXPECT_FALSE(Has(m_err.str(), "press Enter")) << "the label's question stands in for it";
    std::vector<std::string> labels;
    for (const QJsonObject& line : JsonLines())
        if (!line["summary"].toBool())
            labels.push_back(line["label"].toString().toStdString());
    EXPECT_EQ(labels, (std::vector<std::string>{"SN-1"})) << m_out.str();
    EXPECT_EQ(LastLogEntry()[LogColumn::kLabel], "SN-1");

    // A counter's number on a single write, and the label refused when it
    // was used already, unless allowed.
    EXPECT_EQ(Cli({"write", "--port", kPortA, mic, "--yes", "--quiet", "--serial", "SN-{1}",
                   "--log", Path("run.csv")}),
              CliExit::kOk)
        << m_err.str();
    EXPECT_EQ(LastLogEntry()[LogColumn::kLabel], "SN-2") << "after SN-1 in the log";
    for (const bool allowed : {false, true}) {
        std::vector<std::string> words = {"write", "--port",       kPortA,     mic,
                                          "--yes", "--quiet",      "--repeat", "--ask-label",
                                          "--log", Path("run.csv")};
        if (allowed)
            words.push_back("--allow-duplicate-labels");
        m_in.clear();
        m_in.str("SN-2\n\n");
        const std::size_t before = Bytes("run.csv").size();
        EXPECT_EQ(Cli(words), CliExit::kOk);
        EXPECT_EQ(Bytes("run.csv").size() > before, allowed) << m_err.str();
    }
    // What a pattern is not.
    const std::string tooLong = "SN-{1}" + std::string(60, 'L');
    for (const std::string& pattern :
         std::vector<std::string>{"SN", "SN-{1}-{2}", "SN-{X}", "SN-{1", tooLong}) {
        EXPECT_EQ(Cli({"write", "--port", kPortA, mic, "--yes", "--serial", pattern}),
                  CliExit::kUsage)
            << pattern;
        EXPECT_TRUE(Has(m_err.str(), "--serial")) << m_err.str();
    }
}

// The shop's record: numbers go on from it whatever station wrote, a label
// it shows done well is refused naming the station, and its options are
// checked before any port is touched.
TEST_F(GuardedWriteTest, TheShopsRecordNumbersAndRefusesAcrossStations)
{
    const std::string mic = Path("rec.dat");
    ASSERT_EQ(Cli({"new", mic}), CliExit::kOk);
    const std::string shop = Path("shop.db");
    for (const char* station : {"bench-1", "bench-2"}) {
        m_ports.clear();
        EXPECT_EQ(Cli({"write", "--port", kPortA, mic, "--yes", "--quiet", "--serial", "SN-{1}",
                       "--record", shop, "--station", station}),
                  CliExit::kOk)
            << m_err.str();
        EXPECT_FALSE(Has(m_err.str(), "record"))
            << "nothing to say of a record that answers: " << m_err.str();
    }
    CRecordAddress address;
    CRecordFault error;
    ASSERT_TRUE(ParseRecordAddress(shop, address, error));
    const auto record = CShopRecord::Open(address, "reader", error, false);
    ASSERT_NE(record, nullptr) << RecordFaultText(error);
    std::vector<CRecordRow> rows;
    ASSERT_TRUE(record->ReadRows(rows, error)) << RecordFaultText(error);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].station + " " + rows[0].entry[LogColumn::kLabel], "bench-1 SN-1");
    EXPECT_EQ(rows[1].station + " " + rows[1].entry[LogColumn::kLabel], "bench-2 SN-2");

    m_ports.clear();
    m_in.clear();
    m_in.str("SN-2\n\n");
    EXPECT_EQ(Cli({"write", "--port", kPortA, mic, "--yes", "--quiet", "--repeat", "--ask-label",
                   "--record", shop, "--station", "bench-3"}),
              CliExit::kOk);
    EXPECT_TRUE(Has(m_err.str(), "SN-2 was used already on bench-2's ")) << m_err.str();
    EXPECT_TRUE(Has(m_err.str(), ", as the record shows")) << m_err.str();

    const std::vector<std::vector<std::string>> refused = {
        {"--station", "bench-4"},
        {"--record", ""},
        {"--record", shop, "--station", "bench\t4"},
        {"--record", "mysql://db/line"},
        {"--record", "postgresql://qa:secret@db/line"},
    };
    for (const auto& options : refused) {
        std::vector<std::string> words = {"write", "--port", kPortA, mic, "--yes"};
        words.insert(words.end(), options.begin(), options.end());
        EXPECT_EQ(Cli(words), CliExit::kUsage) << options.back();
        EXPECT_FALSE(Has(m_err.str(), "secret")) << "no password is said";
    }
}
} // namespace
