// SPDX-License-Identifier: GPL-3.0-or-later
// A private PulseAudio server for the scripts that drive the program in a window, so that they
// use the same server as the C++ tests: started in DIR with null sinks of the given names, it
// prints its own process id ("PID=...", for a script that started it through other programs)
// and the address clients use ("PULSE_SERVER=unix:...") once the server answers, and stops the
// server, then ends, when it gets SIGTERM or SIGINT.
//
// Usage: private_pulse_server DIR SINK... Exits 1, saying why, when the server does not start.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pulse_server.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DIR SINK...\n", argv[0]);
        return 2;
    }
    PulseServer server(argv[1], std::vector<std::string>(argv + 2, argv + argc));
    if (!server.ready()) {
        std::fprintf(stderr, "%s\n", server.failure().c_str());
        return 1;
    }
    // Blocked only now: the server started above must not inherit a mask that ignores SIGTERM.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::printf("PID=%d\n", int(getpid()));
    std::printf("PULSE_SERVER=%s\n", server.clientEnvironment().at("PULSE_SERVER").c_str());
    std::fflush(stdout);
    int received = 0;
    sigwait(&stopSignals, &received);
    return 0;
}
