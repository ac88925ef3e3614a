#include "line_io.h"

#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "line_noise.h"
#include "sim_clock.h"
#include "stop_signal.h"
#include "transcript.h"

namespace {
// "Small pieces with small pauses": enough to make a tool gather a frame
// over many reads.
constexpr int PIECE_BYTES = 3;
constexpr int64_t PIECE_PAUSE_NS = 2 * NS_PER_MS;

int MasterFd = -1;
int SlaveFd = -1;
int64_t ByteNs = 0;
// Paced bytes go out in slices of about a millisecond of line time.
int SliceBytes = 1;
// When the line has carried everything written so far, each way.
int64_t LineFreeAtNs = 0;
int64_t ReceiveLineFreeAtNs = 0;

uint8_t NoisySend[2 * LINE_SEND_CAPACITY];
uint8_t CleanReceive[LINE_SEND_CAPACITY];

bool WriteWhole(const uint8_t* bytes, int n) {
    while (n > 0) {
        ssize_t put = write(MasterFd, bytes, static_cast<size_t>(n));
        if (put > 0) {
            bytes += put;
            n -= static_cast<int>(put);
            continue;
        }
        if (put < 0 && (errno == EINTR || errno == EAGAIN)) {
            // The tool's input queue is full: wait until it drains, or stop.
            pollfd waits[2] = {{MasterFd, POLLOUT, 0}, {StopWakeFd(), POLLIN, 0}};
            if (StopRequested()) {
                return false;
            }
            poll(waits, 2, -1);
            continue;
        }
        return false;
    }
    return true;
}
}  // namespace

void InitLine(int masterFd, int slaveFd, long baud) {
    MasterFd = masterFd;
    SlaveFd = slaveFd;
    ByteNs = baud > 0 ? 10 * NS_PER_SECOND / baud : 0;
    long bytesPerMs = baud / 10 / 1000;
    SliceBytes = bytesPerMs > 1 ? static_cast<int>(bytesPerMs) : 1;
    LineFreeAtNs = 0;
    ReceiveLineFreeAtNs = 0;
}

bool SendOnLine(const uint8_t* bytes, int n, const char* direction, bool inPieces) {
    const uint8_t* out = bytes;
    int count = n;
    if (NoiseOnBoardToTool()) {
        int events = 0;
        count = AddBoardToToolNoise(bytes, n, NoisySend, sizeof NoisySend, &events);
        out = NoisySend;
    }
    int64_t now = MonotonicNs();
    int64_t cursor = now > LineFreeAtNs ? now : LineFreeAtNs;
    int64_t firstNs = cursor;
    int chunkLimit = inPieces ? PIECE_BYTES : (ByteNs > 0 ? SliceBytes : count);
    int sent = 0;
    bool ok = true;
    while (ok && sent < count) {
        int chunk = count - sent < chunkLimit ? count - sent : chunkLimit;
        if (inPieces && sent > 0) {
            int64_t pauseEnd = MonotonicNs() + PIECE_PAUSE_NS;
            cursor = cursor > pauseEnd ? cursor : pauseEnd;
        }
        // A slice is written when its last byte would have left the wire.
        cursor += chunk * ByteNs;
        if (cursor > MonotonicNs()) {
            SleepUntilNs(cursor);
        }
        ok = !StopRequested() && WriteWhole(out + sent, chunk);
        if (ok) {
            sent += chunk;
        }
    }
    LineFreeAtNs = cursor;
    LogTranscript(direction, firstNs, MonotonicNs(), out, sent);
    return ok;
}

int ReceiveFromLine(uint8_t* buffer, int capacity, int64_t* arrivalNs) {
    bool noisy = NoiseOnToolToBoard();
    // Noise may insert a byte for every byte read.
    uint8_t* target = noisy ? CleanReceive : buffer;
    int limit = capacity;
    if (noisy) {
        limit = capacity / 2 < LINE_SEND_CAPACITY ? capacity / 2 : LINE_SEND_CAPACITY;
    }
    pollfd waits[2] = {{MasterFd, POLLIN, 0}, {StopWakeFd(), POLLIN, 0}};
    for (;;) {
        if (StopRequested()) {
            return 0;
        }
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (StopRequested()) {
            return 0;
        }
        if ((waits[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        ssize_t got = read(MasterFd, target, static_cast<size_t>(limit));
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got <= 0) {
            return -1;
        }
        *arrivalNs = MonotonicNs();
        if (!noisy) {
            return static_cast<int>(got);
        }
        int events = 0;
        return AddToolToBoardNoise(CleanReceive, static_cast<int>(got), buffer, capacity, &events);
    }
}

void PaceArrival(int64_t* firstNs, int64_t* lastNs, int rawLength) {
    if (ByteNs == 0 || rawLength < 1) {
        return;
    }
    if (*firstNs < ReceiveLineFreeAtNs + ByteNs) {
        *firstNs = ReceiveLineFreeAtNs + ByteNs;
    }
    int64_t due = *firstNs + (rawLength - 1) * ByteNs;
    if (*lastNs < due) {
        *lastNs = due;
    }
    ReceiveLineFreeAtNs = *lastNs;
}

void WaitForToolToRead() {
    constexpr int64_t LIMIT_NS = 2 * NS_PER_SECOND;
    constexpr int64_t STEP_NS = 2 * NS_PER_MS;
    int64_t deadlineNs = MonotonicNs() + LIMIT_NS;
    int quietChecks = 0;
    while (quietChecks < 2 && MonotonicNs() < deadlineNs && !StopRequested()) {
        int waiting = 0;
        bool unread = ioctl(SlaveFd, FIONREAD, &waiting) == 0 && waiting > 0;
        quietChecks = unread ? 0 : quietChecks + 1;
        SleepUntilNs(MonotonicNs() + STEP_NS);
    }
}
