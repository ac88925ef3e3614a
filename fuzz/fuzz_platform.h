// A platform backend for the fuzz targets: the serial line plays back a
// script of arrivals, writes and console text are kept or dropped, and the
// end of the script leaves ReceiveFrame (which never gives up by itself)
// through a longjmp to LineExhausted.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>

// Room for a script of arrivals; longer ones are made as they are read.
constexpr int LINE_CAPACITY = 256 * 1024;
constexpr int MAX_ARRIVALS = 4096;
constexpr int WRITTEN_CAPACITY = 64 * 1024;

// One arrival: bytes that reach the driver's input queue together. Whatever
// the receiver does not read stays queued, as in a real driver.
struct Arrival {
    int offset;       // into the line's bytes
    int length;       // 0: a poll that finds nothing waiting
    bool failRead;    // the first read after this arrival fails
    bool shortReads;  // reads give at most half of what was asked (at least 1)
};

// Set with setjmp by the fuzz target before it calls into the link layer;
// the line jumps back here with 1 once the script is played out.
extern std::jmp_buf LineExhausted;

void ResetLine();
// Asked for more when every arrival has been played, so that a script can
// be made as it is read; returns false when there is no more. ResetLine
// drops it.
using LineRefill = bool (*)();
void SetLineRefill(LineRefill refill);
// Forgets the arrivals played so far and their bytes, to make room; only
// from a refill, when nothing is queued. Reads and writes stay counted.
void RecycleLine();
// Appends bytes to the line and returns their offset (-1 when full).
int AddLineBytes(const uint8_t* bytes, int length);
// Queues an arrival of line bytes; false when the script is full.
bool AddArrival(int offset, int length, bool failRead, bool shortReads);

const uint8_t* LineBytes();
// How many line bytes the receiver has read so far.
int LineBytesRead();

// Everything written to the port, in order.
const uint8_t* WrittenBytes();
int WrittenLength();
