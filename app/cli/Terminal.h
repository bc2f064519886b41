#pragma once

// Whether the tool's standard input is a terminal, where a person can answer.
bool StandardInputIsTerminal();
// Whether its standard error is a terminal, where a line can be rewritten.
bool StandardErrorIsTerminal();
