// The transcript of the line: one line per frame in either direction,
// flushed as it is written, so that tests and benchmarks can follow a run:
//   <DIR> first=<sec.usec> last=<sec.usec> raw=<n> <hex of the raw bytes>
// DIR is RX (tool to board) or TX (board to tool); RXJUNK and TXJUNK carry
// bytes that are not part of a frame. Times are CLOCK_MONOTONIC.
#pragma once

#include <cstdint>

// The most raw bytes one line carries; longer runs are split over lines.
constexpr int TRANSCRIPT_MAX_BYTES = 8192;

bool OpenTranscript(const char* path);
void CloseTranscript();
// Does nothing while no transcript is open.
void LogTranscript(const char* direction, int64_t firstNs, int64_t lastNs, const uint8_t* raw,
                   int n);
