#include "link/PortLock.h"

// Windows locks a port with its handle alone: there is no file to leave.
void NotePortLock(const std::string&) {}
void ForgetPortLock(const std::string&) {}
void RemovePortLocksNow() {}
