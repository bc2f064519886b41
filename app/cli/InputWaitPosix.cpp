#include "app/cli/InputWait.h"

#include <iostream>

#include <poll.h>
#include <unistd.h>

namespace {
// How often the wait looks whether it is to give way.
constexpr int kSliceMs = 100;
} // namespace

bool AwaitInput(std::istream& in, const std::function<bool()>& stopped)
{
    // What the stream holds already needs no wait.
    if (&in != &std::cin || std::cin.rdbuf()->in_avail() > 0)
        return !stopped();
    for (;;) {
        if (stopped())
            return false;
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (::poll(&input, 1, kSliceMs) > 0)
            return !stopped();
    }
}
