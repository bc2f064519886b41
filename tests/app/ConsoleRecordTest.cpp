// A microphone's record as the tool tells it: its lines on the console, the
// PUT ASIDE line and the fields of its JSON.
#include "app/cli/ConsoleRecord.h"
#include "app/cli/ConsoleTransferView.h"
#include "text/TextCatalog.h"

#include <QJsonArray>

#include <gtest/gtest.h>

#include <sstream>

namespace {

CMicRecord Failed(CauseKind kind, JobStage stage)
{
    CMicRecord record;
    record.operation = Operation::kWrite;
    record.result = JobResult::kFailed;
    record.port = "COM4";
    record.microphone = 7;
    record.stage = stage;
    record.cause.kind = kind;
    record.cause.writing = true;
    record.cause.block = 0;
    return record;
}

} // namespace

TEST(ConsoleRecord, TheLinesThatEndAJob)
{
    CMicRecord verified = Failed(CauseKind::kNone, JobStage::kDone);
    verified.result = JobResult::kVerified;
    CMicRecord unlogged = verified;
    unlogged.logged = false;
    unlogged.logPath = "run.csv";
    unlogged.logReason = "Permission denied";
    CMicRecord silent = Failed(CauseKind::kNoAnswer, JobStage::kEntry);
    silent.cause.rates = {9600, 19200, 4800, 2400, 1200, 38400, 57600};
    CMicRecord interrupted = Failed(CauseKind::kInterrupted, JobStage::kBlock);
    interrupted.result = JobResult::kInterrupted;
    const struct
    {
        CMicRecord record;
        std::vector<std::pair<bool, std::string>> lines; // on stdout, text
    } cases[] = {
        {verified, {{true, "Verified: the microphone holds the image written."}}},
        {Failed(CauseKind::kBlockRefused, JobStage::kBlock),
         {{false, "Write failed. The microphone was not changed."},
          {false, "Cause: NAK on block 1, three times."}}},
        {silent,
         {{false, "Write failed. The microphone was not changed."},
          {false, "Cause: no answer to the entry into programming mode at any of the seven rates."},
          {false, "Try: qzm530rx-cli doctor --port COM4"}}},
        {interrupted, {{false, "Interrupted. The microphone was not changed."}}},
        {unlogged,
         {{true, "Verified: the microphone holds the image written."},
          {false, "cannot write the log run.csv: Permission denied"}}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<bool, std::string>> lines;
        for (const CConsoleLine& line : ConsoleLines(c.record))
            lines.emplace_back(line.toOut, line.text);
        EXPECT_EQ(lines, c.lines) << CauseWord(c.record.cause.kind);
    }

    CMicRecord labelled = Failed(CauseKind::kBlockRefused, JobStage::kBlock);
    labelled.label = "SN-1";
    EXPECT_EQ(PutAsideLine(labelled), "PUT ASIDE: COM4 microphone 7 (SN-1): Write failed: NAK on "
                                      "block 1, three times. The microphone was not changed.");
    EXPECT_EQ(JobEventText({CJobEvent::kBackupSaved, "/bk/a.dat"}),
              "The microphone's configuration was saved as /bk/a.dat.");
}

// Every field is there, null where the record has nothing; blocks are
// counted from 1 as the progress counts them.
TEST(ConsoleRecord, TheJsonHoldsEveryField)
{
    CMicRecord record = Failed(CauseKind::kConnectionLost, JobStage::kBlock);
    record.cause.block = 4;
    record.holds = Holds::kPartOfEach;
    record.wayBack = {"/bk/a.dat", true, "COM4"};
    record.unit = "3fa9c21e0b17";
    QJsonObject json;
    AddRecordJson(json, record);
    const std::pair<const char*, QJsonValue> fields[] = {
        {"operation", "write"},
        {"port", "COM4"},
        {"device", QJsonValue()},
        {"microphone", 7},
        {"unit", "3fa9c21e0b17"},
        {"label", QJsonValue()},
        {"file", QJsonValue()},
        {"model", QJsonValue()},
        {"version", QJsonValue()},
        {"sha256", QJsonValue()},
        {"result", "failed"},
        {"stage", "block"},
        {"cause", "lost"},
        {"causeText", "the connection was lost after block 4"},
        {"block", 5},
        {"blocks", QJsonValue()},
        {"offset", QJsonValue()},
        {"identifier", QJsonValue()},
        {"holds", "part-of-each"},
        {"backup", QJsonValue()},
        {"logged", true},
    };
    for (const auto& [name, value] : fields)
        EXPECT_EQ(json[name], value) << name;
    EXPECT_EQ(json.size(), static_cast<qsizetype>(std::size(fields)) + 1) << "and wayBack";
    const QJsonObject way = json["wayBack"].toObject();
    EXPECT_EQ(way["file"].toString(), "/bk/a.dat");
    EXPECT_EQ(way["port"].toString(), "COM4");
    EXPECT_TRUE(way["backup"].toBool());
    EXPECT_EQ(way["command"].toString(), "qzm530rx-cli write --port COM4 /bk/a.dat");

    record.cause.block = 0;
    AddRecordJson(json, record);
    EXPECT_EQ(json["block"].toInt(), 1) << "the first block is block 1";

    record.cause = {};
    record.cause.kind = CauseKind::kImageDiffers;
    record.cause.blocks = {5, 6};
    record.cause.offset = 0x054B;
    AddRecordJson(json, record);
    EXPECT_EQ(json["blocks"].toArray(), (QJsonArray{6, 7}));
    EXPECT_EQ(json["offset"].toInt(), 0x054B);
    EXPECT_TRUE(json["block"].isNull());
}

// The counter starts at the first block, on a terminal as in a pipe: a
// transfer that fails before it leaves no "Block 0 / 9" behind.
TEST(ConsoleTransferView, TheCounterStartsAtTheFirstBlock)
{
    CTextCatalog texts;
    ASSERT_TRUE(texts.SelectLanguage("English"));
    for (const Progress mode : {Progress::Rewritten, Progress::Lines}) {
        std::ostringstream results;
        std::ostringstream progress;
        {
            CConsoleTransferView view(texts, results, progress, mode, true);
            view.SetCounterText("Block 0 / 9");
            view.SetBarPosition(0);
            view.OnFailure(TransferMode::Write, CSessionResult{SessionStage::kEntry});
            view.SetCounterText("Block 0 / 9");
            view.SetBarPosition(0);
            view.SetCounterText("Block 1 / 9");
            view.SetBarPosition(1);
        }
        const std::string shown = progress.str();
        EXPECT_EQ(shown.find("Block 0"), std::string::npos) << shown;
        EXPECT_NE(shown.find(mode == Progress::Rewritten ? "\rBlock 1 / 9\n" : "Block 1 / 9\n"),
                  std::string::npos)
            << shown;
    }
}
