#pragma once
#include "sim/PtyMicServer.h"

#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <unistd.h>

// The processor time of this process (the microphones are served by
// processes of their own), in seconds.
inline double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

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
