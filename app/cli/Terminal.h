#pragma once

// Whether the tool's standard input is a terminal, where a person can answer.
bool StandardInputIsTerminal();
// Whether its standard error is a terminal, where a line can be rewritten.
bool StandardErrorIsTerminal();
// Lets the terminal on standard error act on control sequences that move the
// cursor (the status lines of several ports); Windows consoles need it asked.
void EnableTerminalSequences();
