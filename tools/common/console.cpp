#include "console.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "console_texts.h"
#include "frame_codec.h"
#include "platform.h"

namespace {
// Large enough for MSG_CPU_ERROR with the longest text a frame can carry,
// and for every byte of the longest frame as "%02x ".
char Line[3 * FRAME_BUFFER_SIZE];
char CpuText[FRAME_BUFFER_SIZE];
}  // namespace

void ConsolePrint(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(Line, sizeof Line, format, arguments);
    va_end(arguments);
    if (length < 0) {
        return;
    }
    if (length >= static_cast<int>(sizeof Line)) {
        length = static_cast<int>(sizeof Line) - 1;
    }
    PlatformConsoleWrite(Line, length);
}

void PrintFrameBytes(const uint8_t* bytes, int count) {
    static const char HEX[] = "0123456789abcdef";
    int length = 0;
    for (int i = 0; i < count && length + 3 <= static_cast<int>(sizeof Line); ++i) {
        Line[length++] = HEX[bytes[i] >> 4];
        Line[length++] = HEX[bytes[i] & 0x0F];
        Line[length++] = ' ';
    }
    PlatformConsoleWrite(Line, length);
}

void PrintCpuError(const uint8_t* text, int length) {
    if (length >= static_cast<int>(sizeof CpuText)) {
        length = static_cast<int>(sizeof CpuText) - 1;
    }
    std::memcpy(CpuText, text, static_cast<size_t>(length));
    CpuText[length] = '\0';
    ConsolePrint(MSG_CPU_ERROR, CpuText);
}
