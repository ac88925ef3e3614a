// The board's two files, kept as plain files in the store directory under
// the board's own names. Only these names are served or written, so a
// request can never reach a path outside the store.
#pragma once

#include <cstdint>

constexpr int BOARD_FILE_COUNT = 2;
constexpr int BOARD_NAME_LENGTH = 12;
// The board keeps at most this much of a file: 1024 full blocks.
constexpr long MAX_FILE_BYTES = 1024L * 1024L;

constexpr long LOAD_MISSING = -1;
constexpr long LOAD_TOO_LARGE = -2;
constexpr long LOAD_FAILED = -3;

extern const char* const BOARD_FILE_NAMES[BOARD_FILE_COUNT];

// Checks that the directory exists and keeps its path.
bool OpenBoardStore(const char* directory);
// The index of the board file named by a request's 13-byte name field (12
// characters and a NUL), or -1.
int FindBoardFile(const uint8_t* nameField);
// Reads the whole file into buffer; returns its length or a LOAD_ code.
long LoadBoardFile(int index, uint8_t* buffer, long capacity);
// Replaces the file atomically: a temporary in the store, flushed, then
// renamed over the old file, so a reader never sees half a file.
bool StoreBoardFile(int index, const uint8_t* data, long length);
