// The tool's end of the line in tests: opens the board's pseudo-terminal,
// sends frames stuffed by the codec and gathers whole raw frames, every wait
// bounded by a timeout.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<uint8_t>;

class PtyLine {
public:
    PtyLine() = default;
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    // Opens the device in raw mode, dropping whatever waits in its input.
    bool Open(const std::string& path);
    // Takes an open descriptor as the line, such as the board's end of a
    // pseudo-terminal pair a test made itself; it is closed with the line.
    void Adopt(int fd);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    bool SendRaw(const Bytes& bytes);
    // Stuffs a decoded frame (flags included) and sends it in one write.
    bool SendFrame(const Bytes& decoded);

    // Waits for the next raw frame: an opening flag, at least one byte, a
    // closing flag. Bytes before it (a lone flag of "7e 7e" included) go to
    // *junk when given. False when the timeout passes first.
    bool ReceiveRawFrame(Bytes* raw, std::chrono::milliseconds timeout, Bytes* junk = nullptr);
    // The same frame unstuffed by the codec.
    bool ReceiveFrame(Bytes* decoded, std::chrono::milliseconds timeout, Bytes* junk = nullptr);
    // True when no byte arrives for the whole period. Bytes that do arrive
    // are kept for the next receive.
    bool QuietFor(std::chrono::milliseconds period);

private:
    bool ReadSome(std::chrono::steady_clock::time_point deadline);

    int fd_ = -1;
    Bytes pending_;
};

// Stuffs and unstuffs with the codec, for building expected line bytes.
Bytes Stuffed(const Bytes& decoded);
Bytes Unstuffed(const Bytes& raw);
// Lowercase hex without spaces, for readable assertion messages.
std::string Hex(const Bytes& bytes);

}  // namespace testsupport
