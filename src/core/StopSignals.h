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

// What asked the work in progress to stop: a signal ("SIGINT (Ctrl-C)", ...), the user's Cancel ("Cancel"),
// or nothing. Read from any thread.
const char* StopRequested();

// The user's Cancel: the job running on another thread stops at its next check. Cleared when the next job starts.
void RequestStop();
void ClearStopRequest();
