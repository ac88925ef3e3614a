#include "stop_signal.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
volatile sig_atomic_t StopSignal = 0;
int WakePipe[2] = {-1, -1};

void OnStopSignal(int signalNumber) {
    int savedErrno = errno;
    if (StopSignal == 0) {
        StopSignal = signalNumber;
    }
    char wake = 1;
    ssize_t ignored = write(WakePipe[1], &wake, 1);
    (void)ignored;
    errno = savedErrno;
}
}  // namespace

bool InstallStopSignals() {
    if (pipe2(WakePipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking call must return so the loop sees the stop.
    action.sa_flags = 0;
    if (sigaction(SIGINT, &action, nullptr) != 0 || sigaction(SIGTERM, &action, nullptr) != 0) {
        return false;
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

bool StopRequested() {
    return StopSignal != 0;
}

int StopSignalNumber() {
    return StopSignal;
}

int StopWakeFd() {
    return WakePipe[0];
}
