#pragma once
#include <string>

// The lock files of the serial ports this process has open (the UUCP
// "LCK.." files that Qt's serial port leaves in the lock folder while a
// port is open), so that a process that must end at once (a second Ctrl+C)
// still leaves no port locked behind it.

// Notes the lock file of `device`, just opened by this process, if there is
// one.
void NotePortLock(const std::string& device);
// Forgets the lock file of `device`, closed again.
void ForgetPortLock(const std::string& device);
// Removes every lock file noted and not forgotten. Only calls that a signal
// handler may make (unlink), on paths noted beforehand.
void RemovePortLocksNow();
