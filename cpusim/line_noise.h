// Line noise for soak tests: per byte, with a given probability, one bit is
// flipped, the byte is dropped, or a random byte is inserted before it.
// Each direction draws from its own generator seeded from one seed, so a run
// is repeatable whatever the other direction does.
#pragma once

#include <cstdint>

void InitLineNoise(double rate, uint64_t seed, bool boardToTool, bool toolToBoard);
bool NoiseOnBoardToTool();
bool NoiseOnToolToBoard();
// Copies n bytes into out (capacity at least 2 n) with noise added; returns
// the count written and adds the number of damaged bytes to *events.
int AddBoardToToolNoise(const uint8_t* in, int n, uint8_t* out, int capacity, int* events);
int AddToolToBoardNoise(const uint8_t* in, int n, uint8_t* out, int capacity, int* events);
