#include "pty_master.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace winetest {

PtyMaster::~PtyMaster() {
    if (device_ >= 0) {
        close(device_);
    }
}

bool PtyMaster::Open() {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        return false;
    }
    board_.Adopt(master);
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        return false;
    }
    const char* name = ptsname(master);
    if (name == nullptr) {
        return false;
    }
    deviceName_ = name;
    device_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios line{};
    if (device_ < 0 || tcgetattr(device_, &line) != 0) {
        return false;
    }
    cfmakeraw(&line);
    return tcsetattr(device_, TCSANOW, &line) == 0;
}

bool PtyMaster::Send(const std::vector<uint8_t>& bytes) {
    return board_.SendRaw(bytes);
}

bool PtyMaster::ReceiveRawFrame(std::vector<uint8_t>* raw, std::chrono::milliseconds timeout,
                                std::vector<uint8_t>* junk) {
    return board_.ReceiveRawFrame(raw, timeout, junk);
}

bool PtyMaster::QuietFor(std::chrono::milliseconds period) {
    return board_.QuietFor(period);
}

bool PtyMaster::LineSettings(termios* settings) const {
    return tcgetattr(device_, settings) == 0;
}

}  // namespace winetest
