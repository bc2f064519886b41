#pragma once
#include "job/FleetRunner.h"
#include "job/MicRecord.h"
#include "job/ProductionRun.h"

#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

class CTextCatalog;

// The fleet on a console: one status line per port (port, state, block
// n / total, last result) and a line for every microphone done. Result
// lines and the summary go to `out`, the progress to `progress`. Calls may
// come from several ports' threads at once.
class CFleetConsole : public IFleetObserver
{
public:
    enum class Progress
    {
        kLive,  // a terminal: the status lines stay at the bottom, rewritten in place
        kLines, // each change of a port's state is a line of its own
        kNone   // no progress, only results and the summary
    };

    CFleetConsole(std::vector<std::string> ports, const CTextCatalog& texts, std::ostream& out,
                  std::ostream& progress, Progress mode);

    void OnState(std::size_t port, PortState state) override;
    void OnBlock(std::size_t port, int n, int total) override;
    void OnResult(std::size_t port, const CMicRecord& record) override;
    void OnStopRequested() override;
    // Said when the stop is asked for: the default says that the transfers
    // in progress finish; empty: nothing (the stop's own handler said it).
    void SetStopNotice(std::string text) { m_stopNotice = std::move(text); }

    // With --json: each microphone done is one JSON object on a line of
    // `out` (JSON Lines), and the summary one more; `command` names them.
    void SetJson(const char* command) { m_jsonCommand = command; }
    // A production line: a microphone that did not go well is announced on
    // the progress stream with its PUT ASIDE line, with the terminal's bell
    // when `bell`, whatever the progress mode.
    void SetPutAside(bool bell)
    {
        m_putAside = true;
        m_bell = bell;
    }

    // Microphones done and failed, per port, and the summary of the run;
    // `ok` is the run's verdict, for JSON.
    void PrintSummary(const std::vector<CPortTotals>& totals, const CRunSummary& summary, bool ok);

    // The status line of one port as it stands.
    std::string StatusLine(std::size_t port) const;

private:
    struct CRow
    {
        PortState state = PortState::kStarting;
        int block = 0;
        int total = 0;
        std::string last; // last result word
    };

    // Rewrites the status lines (live) after `lines` have been printed
    // above them; the caller holds the lock.
    void Show(const std::vector<std::string>& lines, bool toOut);
    std::string StatusLineLocked(std::size_t port) const;

    std::vector<std::string> m_ports;
    const CTextCatalog& m_texts;
    std::ostream& m_out;
    std::ostream& m_progress;
    const bool m_live;
    const bool m_quiet;
    std::size_t m_portWidth = 0;
    mutable std::mutex m_mutex;
    std::vector<CRow> m_rows;
    bool m_drawn = false;
    const char* m_jsonCommand = nullptr;
    bool m_putAside = false;
    bool m_bell = false;
    std::string m_stopNotice =
        "Stopping once the transfers in progress have ended (Ctrl+C again ends at once).";
};
