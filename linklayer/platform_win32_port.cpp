// The serial port through the Win32 communications API, synchronous and
// polled: no overlapped I/O, no waiting on events.
#include <windows.h>

#include <cstdio>

#include "platform.h"

namespace {
HANDLE PortHandle = INVALID_HANDLE_VALUE;
}

bool PlatformOpenPort(int portNumber) {
    // The device namespace names every port; a bare "COM12" would be taken as
    // a file in the current directory (only COM1 to COM9 resolve bare).
    wchar_t device[32];
    swprintf(device, sizeof device / sizeof device[0], L"\\\\.\\COM%d", portNumber);
    PortHandle = CreateFileW(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    return PortHandle != INVALID_HANDLE_VALUE;
}

bool PlatformSizeQueues(int inputBytes, int outputBytes) {
    return SetupComm(PortHandle, static_cast<DWORD>(inputBytes), static_cast<DWORD>(outputBytes)) != 0;
}

bool PlatformSetLine() {
    // Built from zero: the port's current settings are not read first.
    DCB line;
    ZeroMemory(&line, sizeof line);
    line.DCBlength = sizeof line;
    line.BaudRate = 115200;
    line.fBinary = 1;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    line.XonLim = 2048;
    line.XoffLim = 512;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.XonChar = 0x11;
    line.XoffChar = 0x13;
    return SetCommState(PortHandle, &line) != 0;
}

bool PlatformSetTimeouts() {
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 5;
    timeouts.ReadTotalTimeoutConstant = 50;
    timeouts.WriteTotalTimeoutMultiplier = 5;
    timeouts.WriteTotalTimeoutConstant = 50;
    return SetCommTimeouts(PortHandle, &timeouts) != 0;
}

bool PlatformSetEventMask() {
    return SetCommMask(PortHandle, EV_TXEMPTY) != 0;
}

bool PlatformPurgeInput() {
    return PurgeComm(PortHandle, PURGE_RXCLEAR) != 0;
}

void PlatformClosePort() {
    if (PortHandle != INVALID_HANDLE_VALUE) {
        CloseHandle(PortHandle);
        PortHandle = INVALID_HANDLE_VALUE;
    }
}

int PlatformBytesWaiting() {
    DWORD errors = 0;
    COMSTAT status;
    // A failed query leaves the count undefined: take it as none waiting.
    if (!ClearCommError(PortHandle, &errors, &status)) {
        return 0;
    }
    return static_cast<int>(status.cbInQue);
}

int PlatformReadPort(uint8_t* buffer, int count) {
    DWORD got = 0;
    if (!ReadFile(PortHandle, buffer, static_cast<DWORD>(count), &got, nullptr)) {
        return -1;
    }
    return static_cast<int>(got);
}

int PlatformWritePort(const uint8_t* bytes, int count) {
    DWORD written = 0;
    WriteFile(PortHandle, bytes, static_cast<DWORD>(count), &written, nullptr);
    return static_cast<int>(written);
}
