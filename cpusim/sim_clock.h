// Monotonic time for pacing the line and stamping the transcript.
#pragma once

#include <cstdint>

constexpr int64_t NS_PER_SECOND = 1000000000;
constexpr int64_t NS_PER_MS = 1000000;

// CLOCK_MONOTONIC in nanoseconds.
int64_t MonotonicNs();
// Sleeps until an absolute CLOCK_MONOTONIC deadline, so that a run of paced
// writes never drifts. Returns early once a stop signal has arrived.
void SleepUntilNs(int64_t deadlineNs);
// Formats a time as "<sec>.<usec>" with six decimals; returns the length.
int FormatSecUsec(int64_t ns, char* out, int capacity);
