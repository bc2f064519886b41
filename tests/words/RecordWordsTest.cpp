// The words of the front ends for a microphone's record: one table a
// renderer, each row a record and the words it gives.
#include "words/RecordWords.h"
#include "job/ProductionRun.h"
#include "link/Protocol.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A record of `operation` that ended as `result`, changed by `change`.
CMicRecord Record(Operation operation, JobResult result,
                  const std::function<void(CMicRecord&)>& change = {})
{
    CMicRecord record;
    record.operation = operation;
    record.result = result;
    record.port = "COM4";
    record.microphone = 7;
    record.file = "/f/mic.dat";
    if (change)
        change(record);
    return record;
}

CCause Cause(CauseKind kind, const std::function<void(CCause&)>& change = {})
{
    CCause cause;
    cause.kind = kind;
    if (change)
        change(cause);
    return cause;
}

} // namespace

TEST(RecordWords, EachCauseInItsWords)
{
    const std::pair<CCause, const char*> cases[] = {
        {Cause(CauseKind::kNone), ""},
        {Cause(CauseKind::kNoAnswer,
               [](CCause& c) { c.rates = {9600, 19200, 4800, 2400, 1200, 38400, 57600}; }),
         "no answer to the entry into programming mode at any of the seven rates"},
        {Cause(CauseKind::kNoIdentification),
         "the microphone answered the entry, but sent no identification"},
        {Cause(CauseKind::kOtherModel, [](CCause& c) { c.identifier = "PVHM_999"; }),
         "the microphone identified as 'PVHM_999', not as a VHM-81/82"},
        {Cause(CauseKind::kGarbledIdentifier, [](CCause& c) { c.identifier = "PVHm_812"; }),
         "the microphone's identification arrived garbled ('PVHm_812'): check the cable"},
        {Cause(CauseKind::kNoPreparation), "no answer to the write preparation within 20 s"},
        {Cause(CauseKind::kBlockRefused,
               [](CCause& c) {
                   c.block = 0;
                   c.writing = true;
               }),
         "NAK on block 1, three times"},
        {Cause(CauseKind::kBlockRefused, [](CCause& c) { c.block = 2; }),
         "block 3 was not acknowledged"},
        {Cause(CauseKind::kBlockDamaged, [](CCause& c) { c.block = 8; }),
         "block 9 arrived damaged three times"},
        {Cause(CauseKind::kNoBlockAnswer,
               [](CCause& c) {
                   c.block = 0;
                   c.writing = true;
               }),
         "no answer to block 1 within 3 s"},
        {Cause(CauseKind::kNoBlockAnswer, [](CCause& c) { c.block = 0; }),
         "no answer to the read of block 1"},
        {Cause(CauseKind::kConnectionLost, [](CCause& c) { c.block = 4; }),
         "the connection was lost after block 4"},
        {Cause(CauseKind::kPortNotClosed), "the port could not be closed"},
        {Cause(CauseKind::kReadsDisagree,
               [](CCause& c) {
                   c.blocks = {1, 4};
               }),
         "three reads disagree; blocks 2, 5 kept changing"},
        {Cause(CauseKind::kImageDiffers,
               [](CCause& c) {
                   c.blocks = {5};
                   c.offset = 0x054B;
               }),
         "block 6 differs from the image written, first at offset 0x054B"},
        {Cause(CauseKind::kOtherConfiguration,
               [](CCause& c) {
                   c.blocks = {0, 8};
               }),
         "the microphone holds another configuration (blocks 1, 9)"},
        {Cause(CauseKind::kNotReadBack, [](CCause& c) { c.readBackStage = SessionStage::kEntry; }),
         "the microphone could not be read back (no answer to the entry into programming mode)"},
        {Cause(CauseKind::kBackupFolder,
               [](CCause& c) {
                   c.path = "shop.dat";
                   c.error = std::make_error_code(std::errc::not_a_directory);
               }),
         "the backup folder shop.dat cannot be used: a part of its path is no folder"},
        {Cause(CauseKind::kBackupFile,
               [](CCause& c) {
                   c.path = "/bk/a.dat";
                   c.error = std::make_error_code(std::errc::no_space_on_device);
               }),
         "the backup /bk/a.dat cannot be saved: the disk is full"},
        {Cause(CauseKind::kFileNotSaved, [](CCause& c) { c.path = "x.dat"; }),
         "x.dat could not be saved"},
        {Cause(CauseKind::kInterrupted), "stopped by Ctrl+C"},
        {Cause(CauseKind::kNoTexts), "the text catalogue cannot be loaded"},
    };
    for (const auto& [cause, text] : cases)
        EXPECT_EQ(CauseText(cause), text) << CauseWord(cause.kind);
    EXPECT_TRUE(CallsForDoctor(Cause(CauseKind::kNoAnswer)));
    EXPECT_TRUE(CallsForDoctor(Cause(CauseKind::kPortDoesNotOpen)));
    EXPECT_FALSE(CallsForDoctor(Cause(CauseKind::kGarbledIdentifier)));
}

TEST(RecordWords, EachRecordInItsSentence)
{
    const CCause noAnswer = Cause(CauseKind::kNoAnswer, [](CCause& c) {
        for (const Wire::CProbeRate& probe : Wire::kProbeRates)
            c.rates.push_back(probe.rate);
    });
    const CCause nak = Cause(
        CauseKind::kBlockRefused,
        [](CCause& c) {
            c.block = 0;
            c.writing = true;
        });
    const auto brokenOff = [](bool backup) {
        return [backup](CMicRecord& r) {
            r.cause = Cause(CauseKind::kConnectionLost, [](CCause& c) {
                c.block = 4;
                c.writing = true;
            });
            r.stage = JobStage::kBlock;
            r.holds = Holds::kPartOfEach;
            r.wayBack = {backup ? "/bk/it's.dat" : "/f/mic.dat", backup, "COM4"};
        };
    };
    const struct
    {
        CMicRecord record;
        const char* withCause;
        const char* withoutCause; // nullptr: the same
    } cases[] = {
        {Record(Operation::kWrite, JobResult::kVerified),
         "Verified: the microphone holds the image written.", nullptr},
        {Record(Operation::kWrite, JobResult::kWritten), "Written, not read back.", nullptr},
        {Record(Operation::kWrite, JobResult::kNotVerified,
                [](CMicRecord& r) {
                    r.cause.kind = CauseKind::kNotReadBack;
                    r.cause.readBackStage = SessionStage::kEntry;
                }),
         "Written, not verified: the microphone could not be read back (no answer to the entry "
         "into programming mode).",
         nullptr},
        {Record(Operation::kWrite, JobResult::kUnchanged),
         "Unchanged: the microphone already holds the configuration.", nullptr},
        {Record(Operation::kWrite, JobResult::kFailed,
                [&](CMicRecord& r) {
                    r.cause = nak;
                    r.stage = JobStage::kBlock;
                }),
         "Write failed: NAK on block 1, three times. The microphone was not changed.",
         "Write failed. The microphone was not changed."},
        {Record(Operation::kWrite, JobResult::kFailed,
                [&](CMicRecord& r) {
                    r.cause = noAnswer;
                    r.stage = JobStage::kEntry;
                }),
         "Write failed: the microphone could not be read first (no answer to the entry into "
         "programming mode at any of the seven rates). The microphone was not changed.",
         "Write failed: the microphone could not be read first. The microphone was not changed."},
        {Record(Operation::kWrite, JobResult::kFailed, brokenOff(false)),
         "Write failed: the connection was lost after block 4. The microphone may now hold part "
         "of the new configuration and part of the old. Writing /f/mic.dat again completes it: "
         "qzm530rx-cli write --port COM4 /f/mic.dat",
         "Write failed. The microphone may now hold part of the new configuration and part of the "
         "old. Writing /f/mic.dat again completes it: qzm530rx-cli write --port COM4 /f/mic.dat"},
        {Record(Operation::kWrite, JobResult::kInterrupted, brokenOff(true)),
         "Interrupted. The microphone may now hold part of the new configuration and part of the "
         "old. Its configuration from before was saved as /bk/it's.dat; to write it back: "
         "qzm530rx-cli write --port COM4 '/bk/it'\\''s.dat'",
         nullptr},
        {Record(Operation::kWrite, JobResult::kInterrupted,
                [](CMicRecord& r) {
                    r.stage = JobStage::kReadBack;
                    r.holds = Holds::kNotKnown;
                }),
         "Interrupted during the read-back: written, not verified.", nullptr},
        {Record(Operation::kWrite, JobResult::kDiffers,
                [](CMicRecord& r) {
                    r.cause = Cause(CauseKind::kImageDiffers, [](CCause& c) {
                        c.blocks = {5, 6};
                        c.offset = 0x054B;
                    });
                    r.holds = Holds::kPartOfEach;
                }),
         "Written but differs: blocks 6, 7 differ from the image written, first at offset "
         "0x054B. The microphone may now hold part of the new configuration and part of the old.",
         nullptr},
        {Record(Operation::kBackup, JobResult::kRead, [](CMicRecord& r) { r.file = "/bk/a.dat"; }),
         "The microphone's configuration was saved as /bk/a.dat.", nullptr},
        {Record(Operation::kBackup, JobResult::kFailed, [&](CMicRecord& r) { r.cause = noAnswer; }),
         "Backup failed: no answer to the entry into programming mode at any of the seven rates; "
         "the microphone was not written.",
         "Backup failed; the microphone was not written."},
        {Record(Operation::kBackup, JobResult::kInterrupted),
         "Interrupted before the backup was saved. The microphone was not changed.", nullptr},
        {Record(Operation::kVerify, JobResult::kSame),
         "Same: the microphone holds the configuration of /f/mic.dat.", nullptr},
        {Record(Operation::kVerify, JobResult::kHoldsOther,
                [](CMicRecord& r) { r.cause.blocks = {0}; }),
         "Differs: the microphone holds another configuration than /f/mic.dat (block 1).", nullptr},
        {Record(Operation::kVerify, JobResult::kFailed,
                [](CMicRecord& r) {
                    r.cause = Cause(CauseKind::kReadsDisagree, [](CCause& c) { c.blocks = {1}; });
                }),
         "Not confirmed: three reads disagree; block 2 kept changing.", "Not confirmed."},
        {Record(Operation::kVerify, JobResult::kInterrupted), "Interrupted: not checked.", nullptr},
        {Record(Operation::kRead, JobResult::kVerified, [](CMicRecord& r) { r.reads = 2; }),
         "Verified: two reads agree.", nullptr},
        {Record(Operation::kRead, JobResult::kVerified, [](CMicRecord& r) { r.reads = 3; }),
         "Verified: the third read agrees with one of the first two.", nullptr},
        {Record(Operation::kRead, JobResult::kRead), "Read.", nullptr},
        {Record(Operation::kRead, JobResult::kFailed,
                [](CMicRecord& r) {
                    r.cause = Cause(CauseKind::kFileNotSaved, [](CCause& c) { c.path = "x.dat"; });
                    r.file = "x.dat";
                }),
         "Read, but x.dat could not be saved.", nullptr},
        {Record(Operation::kRead, JobResult::kInterrupted),
         "Interrupted: /f/mic.dat was not written. The microphone was not changed.", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(OperationWord(c.record.operation)) + " " +
                     JobResultName(c.record.result));
        EXPECT_EQ(RecordSentence(c.record), c.withCause);
        EXPECT_EQ(RecordSentence(c.record, false), c.withoutCause ? c.withoutCause : c.withCause);
    }
}

// A microphone's line among others, and a run's sentence.
TEST(RecordWords, TheResultLineAndTheSummary)
{
    const std::pair<CMicRecord, const char*> lines[] = {
        {Record(Operation::kWrite, JobResult::kVerified, [](CMicRecord& r) { r.label = "SN-1"; }),
         "COM4: microphone 7 (SN-1): verified"},
        {Record(Operation::kWrite, JobResult::kVerified,
                [](CMicRecord& r) {
                    r.logged = false;
                    r.logPath = "run.csv";
                    r.logReason = "Permission denied";
                }),
         "COM4: microphone 7: verified (cannot write the log run.csv: Permission denied)"},
        {Record(Operation::kBackup, JobResult::kFailed,
                [](CMicRecord& r) {
                    r.logged = false;
                    r.logPath = "shop.dat";
                }),
         "COM4: microphone 7: failed (Backup failed; the microphone was not written. shop.dat is "
         "no log of qzm530rx-cli; nothing was added to it)"},
    };
    for (const auto& [record, line] : lines)
        EXPECT_EQ(ResultLine(record), line);

    CRunSummary summary;
    summary.tally.good = 4;
    summary.tally.unchanged = 1;
    summary.tally.failed = 2;
    summary.failed = {
        Record(Operation::kWrite, JobResult::kFailed, [](CMicRecord& r) { r.microphone = 2; }),
        Record(Operation::kBackup, JobResult::kFailed)};
    EXPECT_EQ(SummarySentence(summary),
              "In all: 3 of 6 microphones written and verified. Unchanged (they held the "
              "configuration already): 1. Failed: COM4 microphone 2, COM4 microphone 7.");
    summary.target = 25;
    summary.check = true;
    EXPECT_EQ(SummarySentence(summary).substr(0, 47),
              "In all: 3 of 25 microphones hold the configurat");
    summary.check = false;
    summary.verify = false;
    EXPECT_EQ(DoneWords(summary), "written");
    EXPECT_EQ(LabelFaultText(LabelFault::kTooLong), "it is longer than 64 characters");
    EXPECT_EQ(LabelFaultText(LabelFault::kControlCharacter), "it holds a control character");
    EXPECT_STREQ(PortStateText(PortState::kRemoving), "waiting for removal");
}

// The shop's record's faults and notices, in the tool's words.
TEST(RecordWords, TheShopsRecordSaysWhatWentWrong)
{
    using F = CRecordFault;
    CRecordFault noDriver(F::kNoDriver);
    noDriver.postgres = true;
    const std::pair<CRecordFault, const char*> faults[] = {
        {F(F::kEmptyAddress), "the record's address is empty"},
        {F(F::kNotAnAddress, "mysql://db"),
         "mysql://db is no record: give an SQLite file's path or a postgresql:// address"},
        {F(F::kPassword), "a password in the record's address is refused (anyone may read a "
                          "command line): put it in ~/.pgpass, PGPASSWORD or a service file"},
        {F(F::kBadPort), "the record's address has no port number after its host's colon"},
        {noDriver, "Qt has no PostgreSQL driver here (install libqt6sql6-psql)"},
        {F(F::kUnreachable, "server closed the connection", "postgresql://db/shop"),
         "postgresql://db/shop: server closed the connection"},
        {F(F::kUnreachable), "it does not answer"},
        {F(F::kNewer, {}, "shop.db", 3),
         "shop.db was made by a newer version of the tool (its tables are of version 3, this "
         "tool knows up to 1); it is left as it is"},
        {F(F::kMissing, {}, "typo.db"), "typo.db does not exist"},
        {F(F::kNoRecord, {}, "mic.dat"), "mic.dat holds no record of this program"},
        {F(F::kUsedUp, "SN-0000"), "the numbers of SN-0000 are used up"},
        {F(F::kSpool, "Permission denied", "/s.csv"), "/s.csv: Permission denied"},
    };
    for (const auto& [fault, text] : faults)
        EXPECT_EQ(RecordFaultText(fault), text);
    EXPECT_EQ(RecordNoticeText({CRecordNotice::kAway, F(F::kUnreachable, "gone")}),
              "record unreachable: gone; no new microphone until it is back");
    EXPECT_EQ(RecordNoticeText({CRecordNotice::kBack, {}, 2}),
              "the record is back: 2 row(s) written from the spool");
    EXPECT_EQ(RecordNoticeText({CRecordNotice::kBack}), "the record is back");
}
