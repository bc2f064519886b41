#include "app/cli/InputWait.h"

// The console's Ctrl+C ends a question's wait on Windows by itself.
bool AwaitInput(std::istream&, const std::function<bool()>& stopped)
{
    return !stopped();
}
