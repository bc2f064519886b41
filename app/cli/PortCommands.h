#pragma once
#include "app/cli/CliSupport.h"

#include <vector>

// The port commands of the tool: ports and doctor.
std::vector<CCliCommand> PortCommands();
// doctor: what is wrong with the machine's serial set-up and with a port.
CCliCommand DoctorCommand();
