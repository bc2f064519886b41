#pragma once
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// A microphone's label: what a barcode scanner or a person types for it,
// kept in the log, the backup's name and the results.
constexpr std::size_t kLongestLabel = 64;

// What is wrong with a label.
enum class LabelFault
{
    kNone,
    kControlCharacter, // it holds one
    kTooLong           // longer than kLongestLabel
};
// Checks `label` after dropping a trailing CR (a scanner's, a file's line
// end).
LabelFault CheckLabel(std::string& label);

// Where a label was used before.
struct CLabelUse
{
    std::string port;
    std::string time;    // local ISO 8601
    bool inLog = false;  // found in the log (or the record); else given in this run
    std::string station; // where the record shows it; empty: this station
};

// The labels of a run: those that the log it appends to shows done well
// (written, verified or checked) and those given in the run; each goes to one
// microphone only, unless duplicates are allowed. A microphone that did not
// go well gives its label back, so that it may be programmed again. Several
// ports' threads may use one book.
class CLabelBook
{
public:
    void AllowDuplicates(bool allow) { m_allowDuplicates = allow; }
    // Notes a label the log shows done well.
    void AddDone(const std::string& label, const CLabelUse& use);
    // Takes `label` for a microphone on `port` at `time`; false, with
    // `earlier` set, when it was used already (and duplicates are not
    // allowed).
    bool Take(const std::string& label, const std::string& port, const std::string& time,
              CLabelUse& earlier);
    void GiveBack(const std::string& label);
    // The labels known, from the log and the run.
    std::vector<std::string> Labels() const;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, CLabelUse> m_used;
    bool m_allowDuplicates = false;
};

// Adds to `book` the labels that the log at `path` shows done well; a log
// that is missing or is no log adds none.
void ReadDoneLabels(const std::string& path, CLabelBook& book);
// Every label the log at `path` holds, whatever became of its microphone,
// in the order of the lines.
std::vector<std::string> LoggedLabels(const std::string& path);
