#pragma once
#include "core/ConfigStore.h"
#include "job/PortStation.h"
#include "job/ProgrammingJob.h"

class ILocalClock;

// The jobs of a fleet that writes `image` to one microphone after another
// on every port, as the progress window writes: each port gets its own
// catalogue, store, transfer and job, made once on the port's thread, and
// `settings` with the port set to its own name (read-back, log, backup,
// skip). With `check` each microphone is only read and compared with the
// image (kSame or kHoldsOther). What a job's transfers tell shows nowhere
// but in the outcome's message. `clock` and the log that `settings` point
// to must outlive the fleet.
MicJobFactory MakePortWriters(const CConfigStore::Image& image, const CJobSettings& settings,
                              const ILocalClock& clock, bool check);
