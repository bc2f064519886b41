#pragma once
// Where the labels of a run come from: the person at the terminal, a
// scanner or a file of labels on standard input, or a counter; each label
// goes to one microphone only.
#include "app/cli/CliSupport.h"
#include "job/MicLabel.h"
#include "job/SerialCounter.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>

class CShopRecord;
struct CTransferCommand;

// The labels of one command: --ask-label reads each from standard input,
// --serial takes the next number of its pattern. A label that the log it
// appends to shows done well, or that this run gave already, is refused
// (asked again at a terminal; from a pipe or a file the run ends, so that
// no label goes to another microphone) unless --allow-duplicate-labels is
// given.
class CLabelSource
{
public:
    CLabelSource(CCliContext& context, const CTransferCommand& command);

    // Whether the options go together as the command stands (--ask-label:
    // --yes, --continuous or --repeat, one port, a log with the label
    // column; --serial: a pattern, not with --ask-label), and reads the
    // log's labels and the counter's pattern. 0, or kUsage with the reason
    // on stderr.
    int Prepare(std::size_t portCount);
    // Whether the microphones get labels at all.
    bool Active() const { return m_ask || m_serial; }

    // The label of the next microphone on `port`. False when the run is to
    // end: an empty line, the end of the input, a refused label from a pipe,
    // or `stopped` while it waits.
    bool Next(const std::string& port, std::string& label, const std::function<bool()>& stopped);

    // The labels given and found; the run gives back those of microphones
    // that did not go well.
    CLabelBook& Book() { return m_book; }
    // The shop's record: serial numbers are drawn from it, and a label it
    // shows done well on any station is refused. nullptr: none.
    void SetRecord(CShopRecord* record) { m_record = record; }

private:
    bool Ask(const std::string& port, std::string& label, const std::function<bool()>& stopped);
    bool Draw(const std::string& port, std::string& label, const std::function<bool()>& stopped);

    CCliContext& m_context;
    const CTransferCommand& m_command;
    const bool m_ask;
    const bool m_serial;
    CLabelBook m_book;
    CSerialCounter m_counter;
    std::mutex m_inputMutex; // one question at a time
    int m_line = 0;          // lines read from the input
    CShopRecord* m_record = nullptr;
};
