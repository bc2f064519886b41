// Where the labels of a run come from: the person at the terminal, a
// scanner, a file of labels, or a counter.
#include "app/cli/LabelInput.h"

#include "app/cli/InputWait.h"
#include "app/cli/TransferCommand.h"
#include "job/LogLayout.h"
#include "job/TransferLog.h"
#include "words/RecordWords.h"

#include "job/ShopRecord.h"

#include <chrono>
#include <istream>
#include <ostream>
#include <thread>

namespace {

// Where a label was used, in words: "on COM3 at 2026-12-09T10:15:30+01:00,
// as the log shows".
std::string UseText(const CLabelUse& use)
{
    if (!use.station.empty())
        return "on " + use.station + "'s " + use.port + " at " + use.time + ", as the record shows";
    return "on " + use.port + " at " + use.time + (use.inLog ? ", as the log shows" : "");
}

// How long a station waits for a record that went away before it asks again.
constexpr auto kRecordRetry = std::chrono::milliseconds(1000);
constexpr auto kStopCheck = std::chrono::milliseconds(100);

const char* SerialFaultText(SerialFault fault)
{
    switch (fault) {
    case SerialFault::kNone:
        break;
    case SerialFault::kNoNumber:
        return "it has no number in braces, such as {0001}";
    case SerialFault::kTwoNumbers:
        return "it has more than one number in braces";
    case SerialFault::kUnknownField:
        return "braces hold the first number's digits, YYYY, YY, MM or DD only";
    case SerialFault::kUnclosed:
        return "a brace is not closed";
    case SerialFault::kNotALabel:
        return "what it gives is no label (at most 64 characters, no control character)";
    }
    return "";
}

} // namespace

CLabelSource::CLabelSource(CCliContext& context, const CTransferCommand& command)
    : m_context(context), m_command(command), m_ask(command.askLabel),
      m_serial(!command.serial.empty())
{
    m_book.AllowDuplicates(command.allowDuplicateLabels);
}

int CLabelSource::Prepare(std::size_t portCount)
{
    std::string problem;
    LogVersion version = kNewestLog;
    const bool oldLog = !m_command.logPath.empty() &&
                        InspectLog(m_command.logPath, version) == LogFileState::kLog &&
                        !HasColumn(version, LogColumn::kLabel);
    SerialFault fault = SerialFault::kNone;
    if (m_ask && m_serial)
        problem = "--ask-label and --serial exclude each other: labels come from one source";
    else if (m_ask && !m_command.yes)
        problem = "--ask-label needs --yes, so that no answer is ever read from the labels";
    else if (m_ask && !m_command.continuous && !m_command.repeat)
        problem = "--ask-label works with --continuous or --repeat";
    else if (m_ask && portCount > 1)
        problem = "--ask-label works on one port (--serial gives numbers on several)";
    else if (Active() && oldLog)
        problem = std::string(m_ask ? "--ask-label" : "--serial") + ": " + m_command.logPath +
                  " began without the label column; give --log a new file to log labels";
    else if (m_serial && !m_counter.SetPattern(m_command.serial, fault))
        problem = "--serial " + m_command.serial + ": " + SerialFaultText(fault);
    if (!problem.empty()) {
        m_context.err << m_command.name << ": " << problem << "\n";
        return CliExit::kUsage;
    }
    if (!Active() || m_command.logPath.empty())
        return CliExit::kOk;
    ReadDoneLabels(m_command.logPath, m_book);
    if (m_serial)
        m_counter.ContinueAfter(LoggedLabels(m_command.logPath));
    return CliExit::kOk;
}

bool CLabelSource::Next(const std::string& port, std::string& label,
                        const std::function<bool()>& stopped)
{
    if (m_ask)
        return Ask(port, label, stopped);
    if (m_record)
        return Draw(port, label, stopped);
    if (!m_counter.Next(label)) {
        m_context.err << m_command.name << ": --serial " << m_command.serial
                      << ": its numbers are used up; the run ends here\n";
        return false;
    }
    CLabelUse earlier;
    m_book.Take(label, port, IsoLocalTimeNow(), earlier);
    return !stopped();
}

bool CLabelSource::Draw(const std::string& port, std::string& label,
                        const std::function<bool()>& stopped)
{
    // A run that goes on waits for a record that went away; a single write
    // does not.
    const bool wait = m_command.continuous || m_command.repeat;
    for (;;) {
        bool usedUp = false;
        CRecordFault error;
        // The record says itself when it goes away and when it is back.
        if (m_record->DrawSerial(m_counter, port, IsoLocalTimeNow(), label, usedUp, error)) {
            CLabelUse earlier;
            m_book.Take(label, port, IsoLocalTimeNow(), earlier);
            return !stopped();
        }
        if (usedUp || !wait) {
            m_context.err << m_command.name << ": --serial " << m_command.serial << ": "
                          << (usedUp ? "its numbers are used up; the run ends here"
                                     : "no number drawn from the record: " + RecordFaultText(error))
                          << "\n";
            return false;
        }
        for (auto waited = std::chrono::milliseconds(0); waited < kRecordRetry;
             waited += kStopCheck) {
            if (stopped())
                return false;
            std::this_thread::sleep_for(kStopCheck);
        }
    }
}

bool CLabelSource::Ask(const std::string& port, std::string& label,
                       const std::function<bool()>& stopped)
{
    const std::lock_guard<std::mutex> lock(m_inputMutex);
    std::ostream& err = m_context.err;
    // From a pipe or a file a refused line ends the run: asking again would
    // give the next line, meant for the next microphone, to this one.
    const bool terminal = m_context.interactive;
    for (;;) {
        err << "Label of the next microphone (an empty line ends): " << std::flush;
        if (!AwaitInput(m_context.in, stopped) || !std::getline(m_context.in, label))
            return false;
        ++m_line;
        if (label.empty() || label == "\r")
            return false;
        std::string refusal;
        CLabelUse earlier;
        const LabelFault fault = CheckLabel(label);
        if (fault != LabelFault::kNone)
            refusal = "That label is refused: " + LabelFaultText(fault);
        else if (CRecordFault error; m_record && !m_command.allowDuplicateLabels &&
                                     m_record->FindDone(label, earlier, error))
            refusal = label + " was used already " + UseText(earlier);
        else if (!m_book.Take(label, port, IsoLocalTimeNow(), earlier))
            refusal = label + " was used already " + UseText(earlier);
        if (refusal.empty())
            return true;
        if (!terminal) {
            err << "\n"
                << refusal << " (line " << m_line
                << " of the labels); the run ends here, so that no label goes to another "
                   "microphone.\n";
            return false;
        }
        err << refusal << ".\n";
    }
}
