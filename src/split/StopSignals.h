#pragma once

#include <csignal>

// While it lives, SIGINT, SIGTERM and SIGHUP do not end the process but ask the work in progress to stop, which
// then cleans up after itself; a system call that waits is cut short. The earlier handlers come back at its end.
class StopOnSignals {
public:
    StopOnSignals();
    ~StopOnSignals();
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

private:
    struct sigaction old_[3];
};

// The signal that asked to stop ("SIGINT", ...), or nothing.
const char* StopRequested();
