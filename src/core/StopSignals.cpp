#include "core/StopSignals.h"

#include <atomic>
#include <cstring>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile sig_atomic_t g_signal = 0;
std::atomic<bool> g_cancel = false;

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

void RequestStop() {
    g_cancel = true;
}

void ClearStopRequest() {
    g_cancel = false;
}

const char* StopRequested() {
    if (g_cancel)
        return "Cancel";
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
