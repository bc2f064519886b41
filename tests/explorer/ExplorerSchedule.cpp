#include "ExplorerSchedule.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>

namespace {

constexpr int kMaxPorts = 4;
constexpr int kMaxUnits = 4;
constexpr int kMaxFaults = 6;
constexpr uint32_t kUnitBudgetMs = 45000;

class CDraw
{
public:
    explicit CDraw(uint64_t seed) : m_random(seed) {}
    uint32_t Between(uint32_t low, uint32_t high)
    {
        return std::uniform_int_distribution<uint32_t>(low, high)(m_random);
    }
    bool Chance(double p) { return std::bernoulli_distribution(p)(m_random); }
    // Between `low` and `high` on a logarithmic scale.
    double LogBetween(double low, double high)
    {
        const double e =
            std::uniform_real_distribution<double>(std::log10(low), std::log10(high))(m_random);
        return std::pow(10.0, e);
    }
    void Fill(CVirtualMic::Image& image)
    {
        for (uint8_t& byte : image)
            byte = static_cast<uint8_t>(Between(0, 255));
    }

private:
    std::mt19937_64 m_random;
};

CFault DrawFault(CDraw& draw, uint32_t horizonMs, bool backup)
{
    CFault fault;
    fault.atMs = draw.Between(0, horizonMs);
    // The backup folder fails only where there is one; it comes last.
    const int kinds = backup ? 8 : 7;
    fault.kind = static_cast<FaultKind>(draw.Between(0, static_cast<uint32_t>(kinds - 1)));
    switch (fault.kind) {
    case FaultKind::kNoise:
        fault.spanMs = draw.Between(200, 20000);
        fault.ber = draw.LogBetween(1e-5, 1e-3);
        break;
    case FaultKind::kDrop:
        fault.count = static_cast<int>(draw.Between(0, 8));
        break;
    case FaultKind::kSilence:
        fault.spanMs = draw.Between(500, 30000);
        break;
    case FaultKind::kSlowPrepare:
        fault.spanMs = draw.Between(1000, 20000);
        break;
    case FaultKind::kNak:
        fault.count = static_cast<int>(draw.Between(1, 6));
        break;
    case FaultKind::kLooseCable:
        fault.spanMs = draw.Between(100, 5000);
        break;
    case FaultKind::kBadStore:
        fault.count = static_cast<int>(draw.Between(1, 3));
        break;
    case FaultKind::kBackupFails:
        break;
    }
    return fault;
}

} // namespace

const char* FaultKindName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::kNoise:
        return "noise";
    case FaultKind::kDrop:
        return "connection lost";
    case FaultKind::kSilence:
        return "silence";
    case FaultKind::kSlowPrepare:
        return "slow write preparation";
    case FaultKind::kNak:
        return "NAK";
    case FaultKind::kLooseCable:
        return "loose cable";
    case FaultKind::kBadStore:
        return "blocks stored wrong";
    case FaultKind::kBackupFails:
        return "backup folder fails";
    }
    return "?";
}

CSchedule DrawSchedule(uint64_t seed)
{
    CDraw draw(seed);
    CSchedule s;
    s.seed = seed;
    s.continuous = draw.Chance(0.85);
    s.verify = draw.Chance(0.85);
    s.skipSame = draw.Chance(0.3);
    s.backup = draw.Chance(0.4);
    s.logBroken = draw.Chance(0.1);
    s.verifyWaitMs = draw.Between(1000, 12000);
    draw.Fill(s.file);
    const int ports = static_cast<int>(draw.Between(1, kMaxPorts));
    const int units = s.continuous ? static_cast<int>(draw.Between(1, kMaxUnits)) : 1;
    s.stopAtMs =
        draw.Between(s.continuous ? 3000 : 0, static_cast<uint32_t>(units) * kUnitBudgetMs);
    for (int p = 0; p < ports; ++p) {
        CPortPlan plan;
        for (int u = 0; u < units; ++u) {
            CVirtualMic::Image image{};
            if (draw.Chance(0.3))
                image = s.file; // already programmed
            else
                draw.Fill(image);
            plan.units.push_back(image);
            plan.removeAfterMs.push_back(draw.Between(100, 4000));
            plan.plugAfterMs.push_back(draw.Between(300, 6000));
        }
        const int faults = static_cast<int>(draw.Between(0, kMaxFaults));
        bool backupFails = false;
        for (int f = 0; f < faults; ++f) {
            CFault fault = DrawFault(draw, s.stopAtMs + 30000, s.backup);
            if (fault.kind == FaultKind::kBackupFails) {
                if (backupFails)
                    continue;
                backupFails = true;
            }
            plan.faults.push_back(fault);
        }
        std::sort(plan.faults.begin(), plan.faults.end(),
                  [](const CFault& a, const CFault& b) { return a.atMs < b.atMs; });
        s.ports.push_back(std::move(plan));
    }
    return s;
}

std::string Describe(const CSchedule& s)
{
    std::ostringstream out;
    out << "seed " << s.seed << ": " << s.ports.size() << " port(s), "
        << (s.continuous ? "continuous" : "once") << ", verify " << s.verify << ", skip-same "
        << s.skipSame << ", backup " << s.backup << ", log broken " << s.logBroken
        << ", verify wait " << s.verifyWaitMs << " ms, stop at " << s.stopAtMs << " ms\n";
    for (std::size_t p = 0; p < s.ports.size(); ++p) {
        const CPortPlan& plan = s.ports[p];
        out << "  port " << p << ": " << plan.units.size() << " microphone(s):";
        for (std::size_t u = 0; u < plan.units.size(); ++u)
            out << " [" << (plan.units[u] == s.file ? "programmed" : "other") << ", removed "
                << plan.removeAfterMs[u] << " ms after its result, next " << plan.plugAfterMs[u]
                << " ms later]";
        out << "\n";
        for (const CFault& f : plan.faults) {
            out << "    at " << f.atMs << " ms: " << FaultKindName(f.kind);
            if (f.spanMs)
                out << " for " << f.spanMs << " ms";
            if (f.ber > 0)
                out << " at BER " << f.ber;
            if (f.kind == FaultKind::kDrop)
                out << " after block " << f.count;
            if (f.kind == FaultKind::kNak || f.kind == FaultKind::kBadStore)
                out << " x" << f.count;
            out << "\n";
        }
    }
    return out.str();
}
