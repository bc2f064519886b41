#include "app/cli/FleetCommand.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

bool PrepareLiveConsole()
{
    const char* const term = std::getenv("TERM");
    return isatty(STDERR_FILENO) == 1 && term && std::strcmp(term, "dumb") != 0;
}
