// Runs seeded schedules of faults through the production line and checks
// what a shop relies on after each.
//   fault_explorer [--seed S] [--count N] [--first S] [--quiet]
// --seed replays one schedule and prints it; --count runs N schedules from
// seed --first (1). The exit code is 1 when any schedule broke a rule.
#include "ExplorerRun.h"
#include "ExplorerSchedule.h"

#include <QCoreApplication>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace {

// A schedule that has not ended after this much real time hangs.
constexpr std::chrono::seconds kHangAfter{120};

// Ends the process with the schedule when a run hangs: a thread that
// deadlocked cannot be joined.
class CHangWatch
{
public:
    CHangWatch() : m_thread([this] { Watch(); }) {}
    ~CHangWatch()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    void Begin(const CSchedule& schedule)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_schedule = Describe(schedule);
        m_since = std::chrono::steady_clock::now();
        m_running = true;
        m_changed.notify_all();
    }
    void End()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_running = false;
    }

private:
    void Watch()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_done) {
            m_changed.wait_for(lock, std::chrono::seconds(1));
            if (m_running && std::chrono::steady_clock::now() - m_since > kHangAfter) {
                std::cerr << "HANG (no end after " << kHangAfter.count() << " s)\n"
                          << m_schedule << std::flush;
                std::_Exit(1);
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    bool m_running = false;
    std::string m_schedule;
    std::chrono::steady_clock::time_point m_since;
    std::thread m_thread;
};

bool ParseCount(const char* text, uint64_t& value)
{
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return end != text && *end == '\0';
}

} // namespace

int main(int argc, char** argv)
{
    uint64_t first = 1;
    uint64_t count = 200;
    bool one = false;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const bool valued = word == "--seed" || word == "--count" || word == "--first";
        if (word == "--quiet") {
            quiet = true;
        } else if (!valued || i + 1 >= argc ||
                   !ParseCount(argv[i + 1], word == "--count" ? count : first)) {
            std::cerr << "usage: fault_explorer [--seed S] [--count N] [--first S] [--quiet]\n";
            return 2;
        } else {
            one = one || word == "--seed";
            ++i;
        }
    }
    if (one)
        count = 1;
    QCoreApplication app(argc, argv);
    const std::string work =
        (std::filesystem::temp_directory_path() /
         ("qzm-explorer-" + std::to_string(QCoreApplication::applicationPid())))
            .string();
    CHangWatch watch;
    uint64_t failedSchedules = 0;
    uint64_t jobs = 0;
    uint64_t verified = 0;
    uint32_t longest = 0;
    uint64_t noiseWrites = 0;
    std::map<std::string, uint64_t> results;
    const auto began = std::chrono::steady_clock::now();
    for (uint64_t seed = first; seed < first + count; ++seed) {
        const CSchedule schedule = DrawSchedule(seed);
        if (one)
            std::cout << Describe(schedule);
        watch.Begin(schedule);
        const CExplorerVerdict verdict = RunSchedule(schedule, work, one);
        watch.End();
        jobs += static_cast<uint64_t>(verdict.jobs);
        verified += static_cast<uint64_t>(verdict.verified);
        longest = std::max(longest, verdict.longestJobMs);
        noiseWrites += static_cast<uint64_t>(verdict.noiseWrites);
        for (const auto& [word, n] : verdict.results)
            results[word] += static_cast<uint64_t>(n);
        if (verdict.broken.empty())
            continue;
        ++failedSchedules;
        std::cout << "FAILED " << (one ? "" : Describe(schedule));
        for (const std::string& rule : verdict.broken)
            std::cout << "  broken: " << rule << "\n";
        if (one)
            std::cout << verdict.jobsText;
        std::cout << "  replay: fault_explorer --seed " << seed << "\n" << std::flush;
    }
    std::error_code code;
    if (failedSchedules == 0)
        std::filesystem::remove_all(work, code);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (!quiet || failedSchedules > 0)
        std::cout << count << " schedule(s) from seed " << first << ": " << failedSchedules
                  << " broke a rule; " << jobs << " jobs, " << verified
                  << " succeeded; longest job " << longest << " ms simulated; " << noiseWrites
                  << " sessions stored blocks that noise made of other commands; " << seconds
                  << " s\n";
    if (!quiet) {
        std::cout << "results:";
        for (const auto& [word, n] : results)
            std::cout << " " << word << " " << n;
        std::cout << "\n";
    }
    return failedSchedules == 0 ? 0 : 1;
}
