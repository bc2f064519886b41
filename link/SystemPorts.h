#pragma once
#include "link/PortNumbering.h"

// Numbers the ports of this system: the one step that writes pins. Linux and
// macOS: the numbering of the serial devices present now over the pins in
// the per-user settings (every device without a number gets one, and keeps
// it). Windows: COM1 to COM20 as the system names them; nothing is pinned.
// Called where ports are listed (the COM port dialog's start and refresh,
// `ports`, the production-line window's list) and where a job starts, so
// that a device plugged in since has its number.
CPortTable NumberSystemPorts();

// The COM numbers as they are pinned now, each with the device it leads
// to; a lookup that numbers nothing and writes nothing.
CPortTable SystemPortTable();

// Removes the pin of `number`, so that the number is free for the next
// device; false when nothing was pinned to it (always on Windows).
bool ForgetSystemPort(int number);
