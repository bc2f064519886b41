// qzm530rx-cli: the data-file and transfer commands on a terminal.
#include "app/cli/CliSupport.h"
#include "app/cli/Interrupt.h"
#include "app/cli/Terminal.h"

#include "core/Clock.h"

#include <iostream>

int main(int argc, char** argv)
{
    const bool errIsTerminal = StandardErrorIsTerminal();
    if (errIsTerminal)
        EnableTerminalSequences();
    const int code =
        RunCli(std::vector<std::string>(argv, argv + argc), std::cin, std::cout, std::cerr,
               StandardInputIsTerminal(), CSystemClock::Instance(), errIsTerminal);
    // A transfer that a signal stopped has ended cleanly; the tool now ends
    // as the signal would have ended it, so that a shell loop that called
    // it stops as well.
    if (const int signal = InterruptSignal()) {
        std::cout << std::flush;
        std::cerr << std::flush;
        ReraiseInterrupt(signal);
        return InterruptStatus(signal);
    }
    return code;
}
