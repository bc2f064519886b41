#pragma once
#include "sim/PtyMicServer.h"

#include <cstdio>
#include <string>
#include <sys/types.h>
#include <unistd.h>

// Opens the server's pseudo-terminal and serves it from a child process;
// the child's id, or -1 with the reason printed.
inline pid_t ServeInChild(CPtyMicServer& server)
{
    std::string error;
    if (!server.Open(error)) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", error.c_str());
        return -1;
    }
    const pid_t child = fork();
    if (child == 0) {
        server.Serve();
        _exit(0);
    }
    return child;
}
