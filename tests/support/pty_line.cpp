#include "pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "frame_codec.h"

namespace testsupport {

namespace {
using Clock = std::chrono::steady_clock;
}

PtyLine::~PtyLine() {
    Close();
}

bool PtyLine::Open(const std::string& path) {
    Close();
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        return false;
    }
    termios line{};
    if (tcgetattr(fd_, &line) == 0) {
        cfmakeraw(&line);
        tcsetattr(fd_, TCSANOW, &line);
    }
    tcflush(fd_, TCIFLUSH);
    pending_.clear();
    return true;
}

void PtyLine::Adopt(int fd) {
    Close();
    fd_ = fd;
}

void PtyLine::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    pending_.clear();
}

bool PtyLine::SendRaw(const Bytes& bytes) {
    size_t sent = 0;
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (sent < bytes.size()) {
        ssize_t put = write(fd_, bytes.data() + sent, bytes.size() - sent);
        if (put > 0) {
            sent += static_cast<size_t>(put);
        } else if (put < 0 && (errno == EAGAIN || errno == EINTR) && Clock::now() < deadline) {
            pollfd writable{fd_, POLLOUT, 0};
            poll(&writable, 1, 10);
        } else {
            return false;
        }
    }
    return true;
}

bool PtyLine::SendFrame(const Bytes& decoded) {
    return SendRaw(Stuffed(decoded));
}

bool PtyLine::ReadSome(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
        return false;
    }
    pollfd readable{fd_, POLLIN, 0};
    if (poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
        return false;
    }
    uint8_t chunk[4096];
    ssize_t got = read(fd_, chunk, sizeof chunk);
    if (got <= 0) {
        return false;
    }
    pending_.insert(pending_.end(), chunk, chunk + got);
    return true;
}

bool PtyLine::ReceiveRawFrame(Bytes* raw, std::chrono::milliseconds timeout, Bytes* junk) {
    Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        auto open = std::find(pending_.begin(), pending_.end(), FLAG_BYTE);
        // A flag right after the opening one closes nothing: it opens instead.
        while (open != pending_.end() && open + 1 != pending_.end() && open[1] == FLAG_BYTE) {
            ++open;
        }
        if (open != pending_.end()) {
            auto close = std::find(open + 1, pending_.end(), FLAG_BYTE);
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

bool PtyLine::ReceiveFrame(Bytes* decoded, std::chrono::milliseconds timeout, Bytes* junk) {
    Bytes raw;
    if (!ReceiveRawFrame(&raw, timeout, junk)) {
        return false;
    }
    *decoded = Unstuffed(raw);
    return true;
}

bool PtyLine::QuietFor(std::chrono::milliseconds period) {
    size_t before = pending_.size();
    Clock::time_point deadline = Clock::now() + period;
    while (Clock::now() < deadline) {
        ReadSome(deadline);
    }
    return pending_.size() == before;
}

Bytes Stuffed(const Bytes& decoded) {
    uint8_t buffer[FRAME_BUFFER_SIZE];
    std::copy(decoded.begin(), decoded.end(), buffer);
    int s = StuffFrame(buffer, static_cast<int>(decoded.size()));
    return Bytes(buffer, buffer + s);
}

Bytes Unstuffed(const Bytes& raw) {
    uint8_t buffer[FRAME_BUFFER_SIZE];
    size_t n = std::min(raw.size(), sizeof buffer);
    std::copy(raw.begin(), raw.begin() + static_cast<long>(n), buffer);
    int d = UnstuffFrame(buffer, static_cast<int>(n));
    return Bytes(buffer, buffer + d);
}

std::string Hex(const Bytes& bytes) {
    static const char DIGITS[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text.push_back(DIGITS[b >> 4]);
        text.push_back(DIGITS[b & 0x0F]);
    }
    return text;
}

}  // namespace testsupport
