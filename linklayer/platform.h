// The operating system as the tools see it: one serial port per process, the
// console and the error box. Two backends provide it (Win32 and POSIX); the
// link layer and the tools above it never know which one they run on.
#pragma once

#include <cstdint>

// Prepares the console text conversion; called once before anything is shown.
void PlatformStartup();

// Opens port number n for reading and writing, exclusively: a port that another
// program holds does not open. False when the port cannot be opened.
bool PlatformOpenPort(int portNumber);
// Asks for driver queues of the given sizes. False on failure.
bool PlatformSizeQueues(int inputBytes, int outputBytes);
// 115200 baud, 8 data bits, no parity, one stop bit, raw bytes, no flow
// control of any kind, DTR and RTS on. False on failure.
bool PlatformSetLine();
// Reads give up after 5 ms a byte + 50 ms, writes likewise. False on failure.
bool PlatformSetTimeouts();
// Selects the transmit-queue-empty event (never waited on). False on failure.
bool PlatformSetEventMask();
// Drops every received byte not yet read; output is untouched.
bool PlatformPurgeInput();
void PlatformClosePort();

// The number of received bytes waiting to be read, clearing any line-error
// state. 0 when none are waiting or the query fails. A backend may sleep here
// until input arrives, but never reports bytes that are not there.
int PlatformBytesWaiting();
// Reads up to count bytes that are waiting; the count read, or -1 on failure.
int PlatformReadPort(uint8_t* buffer, int count);
// Writes the bytes in order, all of them; the count written.
int PlatformWritePort(const uint8_t* bytes, int count);

// A modal error message with the given caption (UTF-16 texts).
void PlatformShowError(const char16_t* caption, const char16_t* text);
// Waits for one key press without echo; goes on at once at end of input.
void PlatformWaitKey();
// Writes Shift_JIS console text to standard output, converted where the
// console expects another encoding.
void PlatformConsoleWrite(const char* text, int length);
