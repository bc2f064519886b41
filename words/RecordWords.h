#pragma once
// The words of the tool and of the production-line window for what the
// programming library gives back as values: a microphone's record, its
// cause, a port's state, a run's summary. Each front end renders its own
// medium (the console's lines, JSON, a tile) with these phrases, and the
// log's message column is the record's sentence.
#include "job/MicLabel.h"
#include "job/MicRecord.h"
#include "job/PortStation.h"
#include "job/ShopRecord.h"

#include <string>
#include <vector>

struct CRunSummary;

// The tool's name, as a command line starts with it.
constexpr const char* kToolName = "qzm530rx-cli";

// Counted from 1, as the progress counts them: indices {5} give "block 6",
// {2, 5} "blocks 3, 6"; empty for no blocks.
std::string BlockListText(const std::vector<int>& blocks);
// An image offset as four hex digits: "0x054B".
std::string OffsetText(int offset);

// The cause in a few words, without a full stop: "NAK on block 3, three
// times", "the connection was lost after block 4", "no answer to the entry
// into programming mode at any of the seven rates"; empty for none.
std::string CauseText(const CCause& cause);
// Whether doctor is the next step after such a cause: the port, or no
// answer to the entry.
bool CallsForDoctor(const CCause& cause);

// The command that writes the way back: "qzm530rx-cli write --port COM4
// /bk/x.dat", each word quoted for a shell where it must be; empty when
// there is none.
std::string WayBackCommand(const CWayBack& wayBack);

// The record's sentences, ending with what the microphone holds and the way
// back when a write broke off: "Write failed: NAK on block 1, three times.
// The microphone was not changed."; "Verified: the microphone holds the
// image written.". Without `withCause` a failure's sentence leaves its
// cause to a line of its own ("Write failed. The microphone ...").
std::string RecordSentence(const CMicRecord& record, bool withCause = true);

// A microphone's line among others: "COM3: microphone 2 (SN-0042):
// verified", and for one that did not go well the sentence (and the log's
// trouble) in brackets.
std::string ResultLine(const CMicRecord& record);

// Why a log line was not written: "cannot write the log run.csv: Permission
// denied", "run.csv is no log of qzm530rx-cli; nothing was added to it";
// empty when it was.
std::string LogTroubleText(const CMicRecord& record);

// What a port is doing, in a few lower-case words: "waiting for removal".
const char* PortStateText(PortState state);

// "In all: 5 of 6 microphones written and verified. Unchanged (they held
// the configuration already): 1. Failed: COM4 microphone 2."; with a
// quantity it is of the quantity: "In all: 12 of 25 microphones ...".
std::string SummarySentence(const CRunSummary& summary);
// What the good ones of a run are: "written and verified", "written",
// "hold the configuration".
std::string DoneWords(const CRunSummary& summary);

// Why a label is refused: "it holds a control character", "it is longer
// than 64 characters"; empty for kNone.
std::string LabelFaultText(LabelFault fault);

// Why the shop's record did not do what it was asked: "shop.db does not
// exist", "a password in the record's address is refused ...".
std::string RecordFaultText(const CRecordFault& fault);
// What the record tells as a run goes on: "record unreachable: <why>; no new
// microphone until it is back", "the record is back: 2 row(s) written from
// the spool".
std::string RecordNoticeText(const CRecordNotice& notice);

// A reason the system gave, in the tool's words ("no such file").
std::string SystemReason(int errorNumber);
// A word as a POSIX shell reads it: as it is when it holds only safe
// characters, else in single quotes, so that a printed command can be
// pasted into a shell.
std::string ShellWord(const std::string& word);
