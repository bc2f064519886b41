#include "app/cli/Terminal.h"

#include <cstdio>
#include <io.h>
#include <windows.h>

bool StandardInputIsTerminal()
{
    return ::_isatty(::_fileno(stdin)) != 0;
}

bool StandardErrorIsTerminal()
{
    return ::_isatty(::_fileno(stderr)) != 0;
}

void EnableTerminalSequences()
{
    const HANDLE console = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (console != INVALID_HANDLE_VALUE && ::GetConsoleMode(console, &mode))
        ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}
