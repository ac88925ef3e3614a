// Frames only the board sends, and stuffing into a line buffer. The board
// is not bound by the tools' 2048-byte buffers: it stuffs any frame it
// builds, so a file full of flag bytes still goes out whole and tests the
// tool's receiver rather than the board.
#pragma once

#include <cstdint>

// A decoded ERROR frame: block number, text and, unless withNul is false,
// the NUL that ends the text. Returns the decoded length.
int BuildErrorFrame(uint8_t* frame, uint16_t block, const char* text, bool withNul);
// An 8-byte frame shaped like an ACK but with any command, e.g. 0x0104.
int BuildCommandFrame(uint8_t* frame, uint16_t command, uint16_t block);
// A DATA frame of 7 decoded bytes, one byte short of an empty block:
// flag, 00 03, the low byte of the block number, a right FCS, flag.
int BuildShortDataFrame(uint8_t* frame, uint16_t block);
// Stuffs a decoded frame of n bytes into out (capacity at least 2 n) and
// returns the stuffed length. Besides the usual escapes, the bytes at
// positions 1 to alsoEscape are escaped although they need not be: this is
// still a valid stuffing, and it makes a very short frame long enough on the
// line for a receiver that waits for 8 raw bytes.
int StuffForLine(const uint8_t* frame, int n, uint8_t* out, int capacity, int alsoEscape);
