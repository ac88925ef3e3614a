#include "pty_master.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>

namespace winetest {

namespace {
using Clock = std::chrono::steady_clock;
constexpr uint8_t FLAG = 0x7E;
}  // namespace

PtyMaster::~PtyMaster() {
    if (device_ >= 0) {
        close(device_);
    }
    if (master_ >= 0) {
        close(master_);
    }
}

bool PtyMaster::Open() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        return false;
    }
    const char* name = ptsname(master_);
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
    return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

bool PtyMaster::ReadSome(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd readable{master_, POLLIN, 0};
    if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
        return false;
    }
    uint8_t chunk[4096];
    ssize_t got = read(master_, chunk, sizeof chunk);
    if (got <= 0) {
        return false;
    }
    pending_.insert(pending_.end(), chunk, chunk + got);
    return true;
}

bool PtyMaster::ReceiveRawFrame(std::vector<uint8_t>* raw, std::chrono::milliseconds timeout,
                                std::vector<uint8_t>* junk) {
    Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        auto open = std::find(pending_.begin(), pending_.end(), FLAG);
        // A flag right after the opening one is taken as the opening one.
        while (open != pending_.end() && open + 1 != pending_.end() && open[1] == FLAG) {
            ++open;
        }
        if (open != pending_.end() && open + 1 != pending_.end()) {
            auto close = std::find(open + 1, pending_.end(), FLAG);
            if (close != pending_.end()) {
                if (junk != nullptr) {
                    junk->insert(junk->end(), pending_.begin(), open);
                }
                raw->assign(open, close + 1);
                pending_.erase(pending_.begin(), close + 1);
                return true;
            }
        }
        if (!ReadSome(deadline)) {
            return false;
        }
    }
}

bool PtyMaster::QuietFor(std::chrono::milliseconds period) {
    size_t before = pending_.size();
    Clock::time_point deadline = Clock::now() + period;
    while (ReadSome(deadline)) {
    }
    return pending_.size() == before;
}

bool PtyMaster::LineSettings(termios* settings) const {
    return tcgetattr(device_, settings) == 0;
}

}  // namespace winetest
