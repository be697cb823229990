#include "split/StopSignals.h"

#include <cstring>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile sig_atomic_t g_signal = 0;

void onSignal(int number) {
    g_signal = number;
}

} // namespace

StopOnSignals::StopOnSignals() {
    g_signal = 0;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a long copy returns and sees the request
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &action, &old_[i]);
}

StopOnSignals::~StopOnSignals() {
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &old_[i], nullptr);
    g_signal = 0;
}

const char* StopRequested() {
    switch (g_signal) {
    case SIGINT:
        return "SIGINT (Ctrl-C)";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return nullptr;
    }
}
