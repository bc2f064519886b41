#pragma once

// Whether the tool's standard input is a terminal, where a person can answer.
bool StandardInputIsTerminal();
