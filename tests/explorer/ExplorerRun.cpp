#include "ExplorerRun.h"
#include "ExplorerPort.h"

#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "job/ProductionRun.h"
#include "job/TransferLog.h"
#include "link/MicLink.h"
#include "words/RecordWords.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// A job of any length, faults and waits included, ends within this much
// simulated time.
constexpr uint32_t kJobBoundMs = 5u * 60u * 1000u;
constexpr std::size_t kLogFields = kLogColumns;
constexpr std::size_t kPortField = 1;
constexpr std::size_t kOperationField = 5;
constexpr std::size_t kResultField = 8;

class CExplorerObserver : public IFleetObserver
{
public:
    explicit CExplorerObserver(std::vector<std::unique_ptr<CExplorerPort>>& ports) : m_ports(ports)
    {
    }
    void OnState(std::size_t port, PortState state) override { m_ports[port]->OnState(state); }
    void OnBlock(std::size_t, int, int) override {}
    void OnResult(std::size_t port, const CMicRecord& outcome) override
    {
        m_ports[port]->OnResult(outcome);
    }

private:
    std::vector<std::unique_ptr<CExplorerPort>>& m_ports;
};

std::string Text(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The images of every backup the run saved, from `folder` and from where it
// went when it failed.
std::vector<CVirtualMic::Image> BackupImages(const std::string& folder)
{
    std::vector<CVirtualMic::Image> images;
    for (const std::string& dir : {folder, folder + ".gone"}) {
        std::error_code code;
        if (!fs::is_directory(dir, code))
            continue;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir, code)) {
            CConfigStore store;
            ForeignProductName foreign{};
            if (LoadDataFile(store, entry.path().string(), foreign) != DataFile::kLoaded)
                continue;
            store.TransferToImage();
            CVirtualMic::Image image{};
            std::copy(store.WorkingImage(), store.WorkingImage() + image.size(), image.begin());
            images.push_back(image);
        }
    }
    return images;
}

void CheckLog(const CSchedule& s, const std::string& logPath,
              const std::vector<std::unique_ptr<CExplorerPort>>& ports,
              std::vector<std::string>& broken)
{
    std::error_code code;
    if (s.logBroken) {
        for (const auto& port : ports)
            for (const CJobRecord& job : port->Jobs())
                if (job.outcome.logged)
                    broken.push_back(port->Name() + ": a job says it was logged into no folder");
        return;
    }
    std::map<std::string, std::vector<std::string>> results; // the final line of each job
    const std::string text = Text(logPath);
    std::size_t start = 0;
    bool header = true;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            broken.push_back("the log ends without CRLF");
            break;
        }
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (header) {
            header = false;
            if (line != LogHeader(kNewestLog))
                broken.push_back("the log's first line is not its header: " + line);
            continue;
        }
        std::vector<std::string> fields;
        if (!SplitCsvLine(line, fields) || fields.size() != kLogFields) {
            broken.push_back("a log line is not well formed: " + line);
            continue;
        }
        const bool backupRead =
            fields[kOperationField] == "backup" && fields[kResultField] != "failed";
        if (!backupRead)
            results[fields[kPortField]].push_back(fields[kResultField]);
    }
    for (const auto& port : ports) {
        std::vector<std::string> expected;
        for (const CJobRecord& job : port->Jobs())
            if (job.outcome.logged)
                expected.push_back(JobResultName(job.outcome.result));
        const std::vector<std::string>& logged = results[port->Name()];
        if (logged != expected) {
            std::ostringstream text;
            text << port->Name() << ": the log holds " << logged.size() << " job line(s) (";
            for (const std::string& word : logged)
                text << word << " ";
            text << ") for " << expected.size() << " logged job(s) (";
            for (const std::string& word : expected)
                text << word << " ";
            text << ")";
            broken.push_back(text.str());
        }
    }
}

void CheckPort(const CSchedule& s, const CExplorerPort& port, const CPortTotals& totals,
               std::vector<std::string>& broken, CExplorerVerdict& verdict)
{
    const std::string& name = port.Name();
    if (!port.Trouble().empty())
        broken.push_back(name + ": " + port.Trouble());
    int ok = 0;
    int unchanged = 0;
    for (std::size_t i = 0; i < port.Jobs().size(); ++i) {
        const CJobRecord& job = port.Jobs()[i];
        const std::string which = name + " job " + std::to_string(i + 1) + " (microphone " +
                                  std::to_string(job.unit + 1) + ")";
        if (!job.ended) {
            broken.push_back(which + " never ended");
            continue;
        }
        if (job.begunAfterStop)
            broken.push_back(which + " began after the stop request");
        const uint32_t took = job.endedMs - job.beganMs;
        verdict.longestJobMs = std::max(verdict.longestJobMs, took);
        if (took > kJobBoundMs)
            broken.push_back(which + " took " + std::to_string(took) + " ms");
        const JobResult result = job.outcome.result;
        if ((result == JobResult::kVerified || result == JobResult::kUnchanged) &&
            job.imageAtEnd != s.file)
            broken.push_back(which + " is reported " + JobResultName(result) +
                             " but does not hold the file's image");
        if (result == JobResult::kUnchanged && job.blocksStored != 0)
            broken.push_back(which + " is reported unchanged but was written");
        if (result == JobResult::kUnchanged && !s.skipSame)
            broken.push_back(which + " is reported unchanged without --skip-same");
        ok += job.outcome.Ok() ? 1 : 0;
        unchanged += job.outcome.Ok() && result == JobResult::kUnchanged ? 1 : 0;
        verdict.verified += IsSuccess(result) ? 1 : 0;
        ++verdict.results[JobResultName(result)];
    }
    verdict.jobs += static_cast<int>(port.Jobs().size());
    verdict.noiseWrites += port.NoiseWrites();
    for (const CJobRecord& job : port.Jobs())
        verdict.jobsText += "  " + name + " microphone " + std::to_string(job.unit + 1) + ": " +
                            std::to_string(job.beganMs) + " to " + std::to_string(job.endedMs) +
                            " ms, " + std::to_string(job.blocksStored) + " blocks written, " +
                            JobResultName(job.outcome.result) + " (" + RecordSentence(job.outcome) +
                            ")\n";
    const CMicTally& tally = totals.tally;
    if (tally.Total() != static_cast<int>(port.Jobs().size()) || tally.good != ok ||
        tally.unchanged != unchanged || tally.failed != static_cast<int>(totals.failed.size()))
        broken.push_back(name + ": the summary counts " + std::to_string(tally.good) + " done, " +
                         std::to_string(tally.failed) + " failed, " +
                         std::to_string(tally.unchanged) + " unchanged for " +
                         std::to_string(port.Jobs().size()) + " jobs (" + std::to_string(ok) +
                         " done, " + std::to_string(unchanged) + " unchanged)");
    if (!totals.ended)
        broken.push_back(name + ": the port's thread did not end");

    if (!s.backup)
        return;
    const std::vector<CVirtualMic::Image> backups = BackupImages(port.BackupDir());
    for (const CWriteBegan& write : port.WritesBegan()) {
        if (std::find(backups.begin(), backups.end(), write.before) != backups.end())
            continue;
        // How near the nearest backup comes tells a damaged one from none.
        std::size_t nearest = write.before.size();
        for (const CVirtualMic::Image& backup : backups) {
            std::size_t differ = 0;
            for (std::size_t i = 0; i < backup.size(); ++i)
                differ += backup[i] != write.before[i] ? 1 : 0;
            nearest = std::min(nearest, differ);
        }
        broken.push_back(name + ": microphone " + std::to_string(write.unit + 1) +
                         " was written at " + std::to_string(write.atMs) +
                         " ms without a backup of what it held before (" +
                         std::to_string(backups.size()) + " backups, the nearest differs in " +
                         std::to_string(nearest) + " bytes)");
    }
}

} // namespace

bool SplitCsvLine(const std::string& line, std::vector<std::string>& fields)
{
    fields.assign(1, {});
    bool quoted = false;
    bool wasQuoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"')
                fields.back() += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += line[++i];
            else
                quoted = false;
        } else if (c == ',') {
            fields.emplace_back();
            wasQuoted = false;
        } else if (c == '"') {
            if (!fields.back().empty() || wasQuoted)
                return false;
            quoted = wasQuoted = true;
        } else if (wasQuoted || c == '\r' || c == '\n') {
            return false;
        } else {
            fields.back() += c;
        }
    }
    return !quoted;
}

CExplorerVerdict RunSchedule(const CSchedule& s, const std::string& workDir, bool trace)
{
    const fs::path dir = fs::path(workDir) / ("seed-" + std::to_string(s.seed));
    std::error_code code;
    fs::remove_all(dir, code);
    fs::create_directories(dir / "log", code);
    const std::string logPath = (dir / "log" / "run.csv").string();
    // A log that breaks: its folder gives way to a file once the run has
    // checked it, before any port's first job.
    std::once_flag logBreaks;
    const auto breakLog = [&] {
        if (!s.logBroken)
            return;
        std::call_once(logBreaks, [&] {
            std::error_code ignored;
            fs::remove_all(dir / "log", ignored);
            std::ofstream(dir / "log") << "a file where the log's folder should be\n";
        });
    };
    CStopBarrier barrier(s.ports.size());
    std::vector<std::unique_ptr<CExplorerPort>> ports;
    std::vector<CProductionPort> fleet;
    for (std::size_t i = 0; i < s.ports.size(); ++i) {
        const std::string backupDir = (dir / ("backup-" + std::to_string(i))).string();
        ports.push_back(std::make_unique<CExplorerPort>(s, i, backupDir, barrier));
        CExplorerPort& port = *ports.back();
        if (trace)
            port.KeepTrace();
        // The production run's own writers, with this port's backup folder
        // and clock.
        CProductionPort entry;
        entry.name = port.Name();
        entry.makeLink = [&port, &breakLog] {
            breakLog();
            return port.MakeLink();
        };
        entry.pause = [&port](uint32_t ms) { port.Pause(ms); };
        entry.backupDir = s.backup ? port.BackupDir() : "";
        entry.clock = &port.LocalClock();
        fleet.push_back(std::move(entry));
    }
    CProductionSettings settings;
    settings.job.dataFile = "fleet.dat";
    settings.job.verify = s.verify;
    settings.job.verifyWaitMs = s.verifyWaitMs;
    settings.job.skipSame = s.skipSame;
    settings.logPath = logPath;
    settings.mode = s.continuous ? FleetMode::kContinuous : FleetMode::kOnce;
    const CFixedClock unused;
    CProductionRun runner(s.file, std::move(fleet), settings, unused);
    CExplorerObserver observer(ports);
    barrier.SetRunner(&runner);
    LogFileState logState = LogFileState::kNew;
    runner.Run(observer, logState);

    CExplorerVerdict verdict;
    for (std::size_t i = 0; i < ports.size(); ++i)
        CheckPort(s, *ports[i], runner.Totals()[i], verdict.broken, verdict);
    CheckLog(s, logPath, ports, verdict.broken);
    for (const auto& port : ports)
        if (trace)
            verdict.jobsText += "  " + port->Name() + ":\n" + port->TraceText();
    if (verdict.broken.empty())
        fs::remove_all(dir, code);
    return verdict;
}
