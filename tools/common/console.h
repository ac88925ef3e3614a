// Writing the tools' console text through the platform's console.
#pragma once

#include <cstdint>

// printf-style output of Shift_JIS text; one console write per call.
void ConsolePrint(const char* format, ...);
// Each byte as "%02x ", in one console write.
void PrintFrameBytes(const uint8_t* bytes, int count);
// The board's ERROR text (length bytes, no NUL needed) in MSG_CPU_ERROR.
void PrintCpuError(const uint8_t* text, int length);
