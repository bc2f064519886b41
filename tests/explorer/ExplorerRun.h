#pragma once
// One schedule run through the real fleet runner, jobs, log and backups,
// and the rules a shop relies on checked against what happened.
#include "ExplorerSchedule.h"

#include <map>
#include <string>
#include <vector>

struct CExplorerVerdict
{
    std::vector<std::string> broken; // the rules broken, in words; empty: none
    int jobs = 0;                    // jobs run on all ports
    int verified = 0;                // of those, verified or unchanged
    uint32_t longestJobMs = 0;       // in simulated time
    // Sessions in which blocks were stored that no write of the program sent.
    int noiseWrites = 0;
    std::map<std::string, int> results; // jobs by their result word
    std::string jobsText;               // every job of every port, a line each
};

// Runs `schedule` in a folder of its own below `workDir`, which it removes
// again unless a rule was broken. `trace`: the verdict's jobsText also holds
// what happened on each port, in order.
CExplorerVerdict RunSchedule(const CSchedule& schedule, const std::string& workDir,
                             bool trace = false);

// The fields of one CSV line (RFC 4180, without its line end); false when
// the line is not well formed.
bool SplitCsvLine(const std::string& line, std::vector<std::string>& fields);
