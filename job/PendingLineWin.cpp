#include "job/PendingLine.h"

// Windows ends the process at a second Ctrl+C without a handler of ours:
// no line is written then.
void WritePendingLinesNow() {}
