// The board's side of the line: writing its bytes and reading the tool's,
// optionally at a real line rate (10 bit times per byte) and with noise.
#pragma once

#include <cstdint>

// The most bytes one SendOnLine call takes: a stuffed frame of the longest
// kind the board builds, with room to spare.
constexpr int LINE_SEND_CAPACITY = 4096;

// baud 0 means no pacing. slaveFd is the board's own handle on the tool's
// side, through which it sees what the tool has not read yet.
void InitLine(int masterFd, int slaveFd, long baud);
// Waits, up to a bound (or a stop signal), until the tool has read every
// byte sent so far and the line has stayed quiet for a moment.
void WaitForToolToRead();
// Writes bytes that are already in line form, logged as one transcript line
// under `direction` (what actually went out, noise included). With a baud
// rate the bytes leave no faster than the line carries them; inPieces sends
// them in pieces of a few bytes with short pauses. Returns false when a stop
// signal cut the write short or the line failed.
bool SendOnLine(const uint8_t* bytes, int n, const char* direction, bool inPieces);
// Waits for bytes from the tool and returns how many were read (noise
// included) with the time they arrived; 0 once a stop signal arrived, -1 when
// the line failed.
int ReceiveFromLine(uint8_t* buffer, int capacity, int64_t* arrivalNs);
// Moves the arrival of a frame's first and last byte to when they would
// have arrived at the line rate: the first no sooner than one byte time
// after the frame before, the last rawLength - 1 byte times after the first.
void PaceArrival(int64_t* firstNs, int64_t* lastNs, int rawLength);
