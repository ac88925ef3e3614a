// Reads the board's transcript (cpusim --log), one entry per line:
//   <DIR> first=<sec.usec> last=<sec.usec> raw=<n> <hex>
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct TranscriptEntry {
    std::string direction;  // RX, TX, RXJUNK or TXJUNK
    int64_t firstUs = 0;    // CLOCK_MONOTONIC, microseconds
    int64_t lastUs = 0;
    std::vector<uint8_t> raw;
};

// Parses one line (without its line end); false unless it has exactly the
// transcript's form, raw=<n> matching the hex.
bool ParseTranscriptLine(const std::string& line, TranscriptEntry* entry);
// Every line of a transcript file; lines that do not parse are counted in
// *badLines when given.
std::vector<TranscriptEntry> ReadTranscript(const std::string& path, int* badLines = nullptr);

}  // namespace testsupport
