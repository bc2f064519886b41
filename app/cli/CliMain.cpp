// qzm530rx-cli: the data-file and transfer commands on a terminal.
#include "app/cli/CliSupport.h"
#include "app/cli/Terminal.h"

#include "core/Clock.h"

#include <iostream>

int main(int argc, char** argv)
{
    return RunCli(std::vector<std::string>(argv, argv + argc), std::cin, std::cout, std::cerr,
                  StandardInputIsTerminal(), CSystemClock::Instance(), StandardErrorIsTerminal());
}
