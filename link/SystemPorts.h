#pragma once
#include "link/PortNumbering.h"

// The COM numbers of this system. Linux and macOS: the numbering of the
// serial devices present now over the pins in the per-user settings (every
// device without a number gets one, and keeps it). Windows: COM1 to COM20 as
// the system names them; nothing is pinned.
CPortTable SystemPortTable();

// Removes the pin of `number`, so that the number is free for the next
// device; false when nothing was pinned to it (always on Windows).
bool ForgetSystemPort(int number);
