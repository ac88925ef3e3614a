// A platform backend for tests: port steps that fail on request, input given
// as a script of chunks, and everything the code above it did recorded.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

enum class OpenStep { None, Open, SizeQueues, SetLine, SetTimeouts, SetEventMask, Purge };

struct ScriptedPlatform {
    OpenStep failingStep = OpenStep::None;
    std::deque<std::vector<uint8_t>> input;    // one entry per read the driver offers
    std::vector<std::vector<uint8_t>> writes;  // one entry per port write
    std::string console;                       // Shift_JIS bytes as written
    std::vector<std::string> events;           // "open 3", "close", "box COM3|CreateFile Error", "key"
    std::u16string boxCaption, boxText;         // the last box, exactly
    int openedPort = 0;
    int largestRead = 0;
};

// The one instance the platform functions work on; Reset() before each test.
extern ScriptedPlatform Script;
void ResetScript();

// Thrown by the port when a test's input script has run out, since
// ReceiveFrame itself never gives up waiting.
struct InputExhausted {};

// Bytes of a hex text such as "7e 00 04"; white space is ignored.
std::vector<uint8_t> Hex(const std::string& text);
std::string ToHex(const std::vector<uint8_t>& bytes);
// Everything written to the port, in one run of bytes.
std::vector<uint8_t> AllWritten();
