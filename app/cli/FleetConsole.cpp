#include "app/cli/FleetConsole.h"

#include "app/cli/ConsoleRecord.h"
#include "app/cli/JsonOutput.h"
#include "words/RecordWords.h"

#include "link/Transfer.h"

#include <QJsonDocument>

#include <algorithm>
#include <ostream>

namespace {

constexpr std::size_t kStateWidth = 26;
constexpr std::size_t kBlockWidth = 14;
// Moves the cursor to the start of the line `n` lines up, and clears from
// there to the end of the screen.
std::string CursorUpAndClear(std::size_t n)
{
    return "\r\x1b[" + std::to_string(n) + "A\x1b[J";
}

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.resize(width, ' ');
    return text;
}

} // namespace

CFleetConsole::CFleetConsole(std::vector<std::string> ports, const CTextCatalog& texts,
                             std::ostream& out, std::ostream& progress, Progress mode)
    : m_ports(std::move(ports)), m_texts(texts), m_out(out), m_progress(progress),
      m_live(mode == Progress::kLive), m_quiet(mode == Progress::kNone), m_rows(m_ports.size())
{
    for (const std::string& port : m_ports)
        m_portWidth = std::max(m_portWidth, port.size() + 2);
}

std::string CFleetConsole::StatusLineLocked(std::size_t port) const
{
    const CRow& row = m_rows[port];
    const bool moving = (row.state == PortState::kWriting || row.state == PortState::kReading ||
                         row.state == PortState::kVerifying) &&
                        row.total > 0;
    std::string line =
        Padded(m_ports[port], m_portWidth) + Padded(PortStateText(row.state), kStateWidth) +
        Padded(moving ? BlockCounterText(m_texts, row.block, row.total) : "", kBlockWidth) +
        row.last;
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

std::string CFleetConsole::StatusLine(std::size_t port) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return StatusLineLocked(port);
}

void CFleetConsole::Show(const std::vector<std::string>& lines, bool toOut)
{
    // Live, the status lines are redrawn below whatever is printed.
    if (m_live && m_drawn)
        m_progress << CursorUpAndClear(m_rows.size()) << std::flush;
    std::ostream& stream = toOut ? m_out : m_progress;
    for (const std::string& line : lines)
        stream << line << "\n";
    stream << std::flush;
    if (!m_live)
        return;
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_progress << StatusLineLocked(i) << "\n";
    m_progress << std::flush;
    m_drawn = true;
}

void CFleetConsole::OnState(std::size_t port, PortState state)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CRow& row = m_rows[port];
    row.state = state;
    row.block = 0;
    row.total = 0;
    if (m_live)
        Show({}, false);
    else if (!m_quiet)
        Show({m_ports[port] + ": " + PortStateText(state)}, false);
}

void CFleetConsole::OnBlock(std::size_t port, int n, int total)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_rows[port].block = n;
    m_rows[port].total = total;
    if (m_live)
        Show({}, false);
}

void CFleetConsole::OnResult(std::size_t port, const CMicRecord& record)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CRow& row = m_rows[port];
    row.last =
        "microphone " + std::to_string(record.microphone) + ": " + JobResultName(record.result);
    if (m_putAside && !record.Ok())
        Show({std::string(m_bell ? "\a" : "") + PutAsideLine(record)}, false);
    if (!m_jsonCommand) {
        Show({ResultLine(record)}, true);
        return;
    }
    QJsonObject line{{"command", m_jsonCommand}};
    AddRecordJson(line, record);
    line.insert("ok", record.Ok());
    line.insert("message", JsonText(RecordSentence(record)));
    const QByteArray text = QJsonDocument(line).toJson(QJsonDocument::Compact);
    Show({text.toStdString()}, true);
}

void CFleetConsole::OnStopRequested()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_stopNotice.empty())
        Show({m_stopNotice}, false);
}

void CFleetConsole::PrintSummary(const std::vector<CPortTotals>& totals, const CRunSummary& summary,
                                 bool ok)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    // Live, the status lines stay as they ended, above the summary.
    m_drawn = false;
    if (m_jsonCommand) {
        QJsonArray ports;
        for (std::size_t i = 0; i < totals.size() && i < m_ports.size(); ++i) {
            QJsonArray failed;
            for (const CMicRecord& record : totals[i].failed)
                failed.append(record.microphone);
            ports.append(QJsonObject{{"port", JsonText(m_ports[i])},
                                     {"done", totals[i].tally.Done()},
                                     {"unchanged", totals[i].tally.unchanged},
                                     {"failed", failed},
                                     {"opened", !totals[i].neverOpened}});
        }
        PrintJsonLine(m_out, QJsonObject{{"command", m_jsonCommand},
                                         {"summary", true},
                                         {"ok", ok},
                                         {"microphones", summary.tally.Total()},
                                         {"done", summary.tally.Done()},
                                         {"unchanged", summary.tally.unchanged},
                                         {"failed", summary.tally.failed},
                                         {"ports", ports},
                                         {"sentence", JsonText(SummarySentence(summary))}});
        return;
    }
    m_out << "\nSummary:\n";
    for (std::size_t i = 0; i < totals.size() && i < m_ports.size(); ++i) {
        const CPortTotals& port = totals[i];
        m_out << "  " << m_ports[i] << ": " << port.tally.Done() << " " << DoneWords(summary)
              << ", ";
        if (port.tally.unchanged > 0)
            m_out << port.tally.unchanged << " unchanged, ";
        m_out << port.failed.size() << " failed";
        if (!port.failed.empty()) {
            m_out << " (microphone";
            for (std::size_t k = 0; k < port.failed.size(); ++k)
                m_out << (k == 0 ? " " : ", ") << port.failed[k].microphone;
            m_out << ")";
        }
        if (port.neverOpened)
            m_out << "; the port did not open";
        m_out << "\n";
    }
    m_out << SummarySentence(summary) << "\n" << std::flush;
}
