// The scripted line behind the fuzz targets. Everything is static so a fuzz
// run does not allocate per input.
#include "fuzz_platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform.h"

std::jmp_buf LineExhausted;

namespace {
uint8_t Line[LINE_CAPACITY];
int LineLength = 0;
Arrival Arrivals[MAX_ARRIVALS];
int ArrivalCount = 0;

int NextArrival = 0;    // the next arrival to reach the queue
int QueueStart = 0;     // line offset of the first queued, unread byte
int QueueLength = 0;    // queued, unread bytes
bool PendingFail = false;
bool ShortReads = false;
int BytesRead = 0;
int IdlePolls = 0;      // polls in a row that led to no byte being read
LineRefill Refill = nullptr;

uint8_t Written[WRITTEN_CAPACITY];
volatile uint8_t ConsumedSum;  // keeps the reads of Consume from being dropped
int WrittenCount = 0;

// A receiver that keeps polling without ever reading would hang the fuzzer
// until its timeout; name the fault at once instead.
constexpr int MAX_IDLE_POLLS = 1000000;

void NoteIdlePoll() {
    if (++IdlePolls > MAX_IDLE_POLLS) {
        std::fprintf(stderr, "fuzz_platform: receiver polls without reading the bytes waiting\n");
        std::abort();
    }
}

// Reads every byte it is given, so that ASan sees any text handed over from
// outside its buffer, and keeps nothing.
__attribute__((no_sanitize("coverage"))) void Consume(const void* bytes, int length) {
    if (length < 0) {
        std::fprintf(stderr, "fuzz_platform: negative length %d handed to the platform\n", length);
        std::abort();
    }
    const uint8_t* b = static_cast<const uint8_t*>(bytes);
    uint8_t sum = 0;
    for (int i = 0; i < length; ++i) {
        sum = static_cast<uint8_t>(sum + b[i]);
    }
    ConsumedSum = sum;
}
}  // namespace

void ResetLine() {
    LineLength = 0;
    ArrivalCount = 0;
    NextArrival = 0;
    QueueStart = 0;
    QueueLength = 0;
    PendingFail = false;
    ShortReads = false;
    BytesRead = 0;
    IdlePolls = 0;
    WrittenCount = 0;
    Refill = nullptr;
}

void SetLineRefill(LineRefill refill) { Refill = refill; }

void RecycleLine() {
    if (QueueLength > 0 || NextArrival < ArrivalCount) {
        std::fprintf(stderr, "fuzz_platform: line recycled with bytes still queued\n");
        std::abort();
    }
    LineLength = 0;
    ArrivalCount = 0;
    NextArrival = 0;
}

int AddLineBytes(const uint8_t* bytes, int length) {
    if (length < 0 || length > LINE_CAPACITY - LineLength) {
        return -1;
    }
    int offset = LineLength;
    if (length > 0) {
        std::memcpy(Line + offset, bytes, static_cast<size_t>(length));
    }
    LineLength += length;
    return offset;
}

bool AddArrival(int offset, int length, bool failRead, bool shortReads) {
    if (ArrivalCount == MAX_ARRIVALS) {
        return false;
    }
    Arrivals[ArrivalCount++] = Arrival{offset, length, failRead, shortReads};
    return true;
}

const uint8_t* LineBytes() { return Line; }
int LineBytesRead() { return BytesRead; }
const uint8_t* WrittenBytes() { return Written; }
int WrittenLength() { return WrittenCount; }

void PlatformStartup() {}
bool PlatformOpenPort(int) { return true; }
bool PlatformSizeQueues(int, int) { return true; }
bool PlatformSetLine() { return true; }
bool PlatformSetTimeouts() { return true; }
bool PlatformSetEventMask() { return true; }
bool PlatformPurgeInput() { return true; }
void PlatformClosePort() {}

int PlatformBytesWaiting() {
    NoteIdlePoll();
    if (QueueLength > 0) {
        return QueueLength;
    }
    if (NextArrival == ArrivalCount && (Refill == nullptr || !Refill() || NextArrival == ArrivalCount)) {
        std::longjmp(LineExhausted, 1);
    }
    // Arrivals are played one per poll. Any earlier one is wholly read by now,
    // so the queue simply moves on to the new arrival's bytes.
    const Arrival& a = Arrivals[NextArrival++];
    QueueStart = a.offset;
    QueueLength = a.length;
    PendingFail = a.failRead;
    ShortReads = a.shortReads;
    return QueueLength;
}

int PlatformReadPort(uint8_t* buffer, int count) {
    if (PendingFail) {
        PendingFail = false;
        return -1;
    }
    int give = count < QueueLength ? count : QueueLength;
    if (ShortReads && give > 1) {
        give /= 2;
    }
    if (give <= 0) {
        return 0;
    }
    // memcpy is checked by ASan: a count beyond the caller's buffer shows here.
    std::memcpy(buffer, Line + QueueStart, static_cast<size_t>(give));
    QueueStart += give;
    QueueLength -= give;
    BytesRead += give;
    IdlePolls = 0;
    return give;
}

int PlatformWritePort(const uint8_t* bytes, int count) {
    Consume(bytes, count);
    int keep = count < WRITTEN_CAPACITY - WrittenCount ? count : WRITTEN_CAPACITY - WrittenCount;
    if (keep > 0) {
        std::memcpy(Written + WrittenCount, bytes, static_cast<size_t>(keep));
        WrittenCount += keep;
    }
    return count;
}

void PlatformShowError(const char16_t*, const char16_t*) {}
void PlatformWaitKey() {}

void PlatformConsoleWrite(const char* text, int length) {
    Consume(text, length);
}
