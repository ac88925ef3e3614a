// The board's end of a pseudo-terminal that a test holds itself, for
// watching a tool's line bytes and settings directly: the tool opens the
// device end (linked as COM<n>), the test reads and writes the other.
#pragma once

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "pty_line.h"

namespace winetest {

class PtyMaster {
public:
    PtyMaster() = default;
    ~PtyMaster();
    PtyMaster(const PtyMaster&) = delete;
    PtyMaster& operator=(const PtyMaster&) = delete;

    // Makes the pair in raw mode; the device end stays open here too, so
    // bytes written before the tool opens it wait in its input queue.
    bool Open();
    const std::string& DeviceName() const { return deviceName_; }

    bool Send(const std::vector<uint8_t>& bytes);
    // The next raw frame the tool wrote: an opening flag, at least one byte,
    // a closing flag. Bytes before the opening flag go to *junk when given.
    bool ReceiveRawFrame(std::vector<uint8_t>* raw, std::chrono::milliseconds timeout,
                         std::vector<uint8_t>* junk = nullptr);
    // True when no byte arrives for the whole period.
    bool QuietFor(std::chrono::milliseconds period);
    // The line settings as the device end has them now.
    bool LineSettings(termios* settings) const;

private:
    testsupport::PtyLine board_;  // the master end, read and written as a line
    int device_ = -1;
    std::string deviceName_;
};

}  // namespace winetest
