#include "transcript.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "sim_clock.h"

namespace {
int TranscriptFd = -1;
char Line[64 + 2 * 32 + 2 * TRANSCRIPT_MAX_BYTES + 2];

void WriteWhole(const char* text, int n) {
    while (n > 0) {
        ssize_t put = write(TranscriptFd, text, static_cast<size_t>(n));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return;
        }
        text += put;
        n -= static_cast<int>(put);
    }
}

void LogOneLine(const char* direction, int64_t firstNs, int64_t lastNs, const uint8_t* raw, int n) {
    static const char HEX[] = "0123456789abcdef";
    char first[32];
    char last[32];
    FormatSecUsec(firstNs, first, sizeof first);
    FormatSecUsec(lastNs, last, sizeof last);
    int length = std::snprintf(Line, sizeof Line, "%s first=%s last=%s raw=%d ", direction, first,
                               last, n);
    for (int i = 0; i < n; ++i) {
        Line[length++] = HEX[raw[i] >> 4];
        Line[length++] = HEX[raw[i] & 0x0F];
    }
    Line[length++] = '\n';
    WriteWhole(Line, length);
}
}  // namespace

bool OpenTranscript(const char* path) {
    TranscriptFd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (TranscriptFd < 0) {
        std::fprintf(stderr, "cpusim: --log %s: %s\n", path, std::strerror(errno));
        return false;
    }
    return true;
}

void CloseTranscript() {
    if (TranscriptFd >= 0) {
        close(TranscriptFd);
        TranscriptFd = -1;
    }
}

void LogTranscript(const char* direction, int64_t firstNs, int64_t lastNs, const uint8_t* raw,
                   int n) {
    if (TranscriptFd < 0) {
        return;
    }
    do {
        int part = n < TRANSCRIPT_MAX_BYTES ? n : TRANSCRIPT_MAX_BYTES;
        LogOneLine(direction, firstNs, lastNs, raw, part);
        raw += part;
        n -= part;
    } while (n > 0);
}
