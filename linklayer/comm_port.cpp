// Opening the port, sending frames and gathering received ones.
#include "comm_port.h"

#include <cstdio>
#include <cstring>

#include "platform.h"

uint8_t FrameBuffer[FRAME_BUFFER_SIZE];
uint8_t ChunkBuffer[FRAME_BUFFER_SIZE];

void FormatPortName(int portNumber, char16_t name[PORT_NAME_LENGTH]) {
    char narrow[PORT_NAME_LENGTH];
    std::snprintf(narrow, sizeof narrow, "COM%d", portNumber);
    int i = 0;
    for (; narrow[i] != '\0'; ++i) {
        name[i] = static_cast<char16_t>(narrow[i]);
    }
    name[i] = u'\0';
}

namespace {
// Reports a failed configuration step: the port is closed before the box.
int FailOpenStep(const char16_t* name, const char16_t* text) {
    PlatformClosePort();
    PlatformShowError(name, text);
    return 0;
}
}  // namespace

int OpenCommPort(int portNumber) {
    char16_t name[PORT_NAME_LENGTH];
    FormatPortName(portNumber, name);
    if (portNumber < 1) {
        PlatformShowError(name, u"CommPort < 1 (未接続)");
        return 0;
    }
    if (!PlatformOpenPort(portNumber)) {
        PlatformShowError(name, u"CreateFile Error");
        return 0;
    }
    if (!PlatformSizeQueues(PORT_QUEUE_SIZE, PORT_QUEUE_SIZE)) {
        return FailOpenStep(name, u"SetupComm Error");
    }
    if (!PlatformSetLine()) {
        return FailOpenStep(name, u"SetCommState Error");
    }
    if (!PlatformSetTimeouts()) {
        return FailOpenStep(name, u"SetCommTimeouts Error");
    }
    if (!PlatformSetEventMask()) {
        return FailOpenStep(name, u"SetCommMask Error");
    }
    PlatformPurgeInput();  // bytes from before the run mean nothing to it
    return 1;
}

void SendStuffedFrame(const uint8_t* bytes, int count) {
    PlatformWritePort(bytes, count);
}

int SendFrame(int n) {
    int s = StuffFrame(FrameBuffer, n);
    if (s > 0) {
        SendStuffedFrame(FrameBuffer, s);
    }
    return s;
}

namespace {
// Appends read bytes to the gathering. An empty gathering starts only at a
// flag, so bytes before a frame (line noise, a half frame from before) are
// dropped instead of keeping every later frame from ever becoming whole.
int Gather(int gathered, const uint8_t* bytes, int count) {
    int start = 0;
    if (gathered == 0) {
        while (start < count && bytes[start] != FLAG_BYTE) {
            ++start;
        }
    }
    std::memcpy(FrameBuffer + gathered, bytes + start, static_cast<size_t>(count - start));
    return gathered + count - start;
}

bool IsWhole(int gathered) {
    return gathered >= MIN_FRAME_LENGTH && FrameBuffer[0] == FLAG_BYTE &&
           FrameBuffer[gathered - 1] == FLAG_BYTE;
}
}  // namespace

int ReceiveFrame() {
    int gathered = 0;
    for (;;) {
        int waiting = PlatformBytesWaiting();
        if (waiting <= 0) {
            continue;
        }
        // Never read more than the gathering has room for; the rest stays
        // queued in the driver for the next pass.
        int room = FRAME_BUFFER_SIZE - gathered;
        int count = waiting < room ? waiting : room;
        int got = PlatformReadPort(ChunkBuffer, count);
        if (got <= 0) {
            continue;
        }
        gathered = Gather(gathered, ChunkBuffer, got);
        if (IsWhole(gathered)) {
            return UnstuffFrame(FrameBuffer, gathered);
        }
        if (gathered == FRAME_BUFFER_SIZE) {
            // No frame is longer than the buffer: what fills it without
            // ending in a flag is not a frame. Start again at the next flag.
            gathered = 0;
        }
    }
}
