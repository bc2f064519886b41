#pragma once
#include "job/ProgrammingJob.h"
#include "link/PortName.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMicLink;
class CLabelSource;
class CProductionRun;
struct CCliContext;
struct CTransferCommand;

// The ports named by --port (`values`, each as given): "3,4,5", or --port
// given several times, each looked up once. False with `error` set for an
// empty name or a port named twice, under any of its names.
bool ParsePortList(const std::vector<std::string>& values, std::vector<CPortChoice>& ports,
                   std::string& error);

// Whether `write` programs a fleet: several ports, or --continuous.
bool IsFleetWrite(bool continuous, const std::vector<std::string>& ports);

// Where the fleet's ports come from: the system's serial ports, or lines
// that a test plays.
struct CFleetSetup
{
    // Makes the link of a port as the user named it; called on the port's
    // thread.
    std::function<std::unique_ptr<CMicLink>(const std::string& port)> makeLink;
    // The wait between probes on a port; empty: the system clock.
    std::function<void(const std::string& port, uint32_t ms)> pause;
    // Told the run before it starts (a test asks it to stop through it).
    std::function<void(CProductionRun& run)> started;
    // Status lines rewritten in place (a terminal).
    bool live = false;
    // No progress at all: only the results and the summary.
    bool quiet = false;
    // Check each microphone against the image instead of writing it (verify).
    bool check = false;
    // Where each microphone's label comes from; nullptr: no labels.
    CLabelSource* labels = nullptr;
};

// Writes the store's working image to a microphone on every port at once,
// once or (--continuous) one microphone after another until Ctrl+C, each as
// `settings` say (read-back, log, backup; the port is set per port), shows
// the progress of each port and sums up. 0 when every microphone was
// written (and verified, when asked) and, run once, every port was; 3 when
// the only trouble was microphones written but not verified; else 1. With
// `setup.check` each microphone is only read and compared: 0 when all hold
// the image, 4 when the only trouble was microphones that hold another.
int RunFleetWrite(CCliContext& context, const CTransferCommand& command,
                  const std::vector<std::string>& ports, const CJobSettings& settings,
                  const CFleetSetup& setup);
