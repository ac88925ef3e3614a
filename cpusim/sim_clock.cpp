#include "sim_clock.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "stop_signal.h"

int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * NS_PER_SECOND + now.tv_nsec;
}

void SleepUntilNs(int64_t deadlineNs) {
    timespec deadline{};
    deadline.tv_sec = static_cast<time_t>(deadlineNs / NS_PER_SECOND);
    deadline.tv_nsec = static_cast<long>(deadlineNs % NS_PER_SECOND);
    while (!StopRequested()) {
        int rc = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
        if (rc != EINTR) {
            return;
        }
    }
}

int FormatSecUsec(int64_t ns, char* out, int capacity) {
    long long seconds = static_cast<long long>(ns / NS_PER_SECOND);
    long micros = static_cast<long>((ns % NS_PER_SECOND) / 1000);
    int n = std::snprintf(out, static_cast<size_t>(capacity), "%lld.%06ld", seconds, micros);
    return n < capacity ? n : capacity - 1;
}
