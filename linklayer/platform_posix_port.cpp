// The serial port on POSIX systems (termios). Port N is the device named by
// the environment variable COM<N>, else /dev/ttyS<N-1>.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform.h"

namespace {
int PortFd = -1;

void PortDevicePath(int portNumber, char* path, size_t size) {
    char variable[32];
    std::snprintf(variable, sizeof variable, "COM%d", portNumber);
    const char* named = std::getenv(variable);
    if (named != nullptr && named[0] != '\0') {
        std::snprintf(path, size, "%s", named);
    } else {
        std::snprintf(path, size, "/dev/ttyS%d", portNumber - 1);
    }
}

void SleepMilliseconds(long ms) {
    timespec pause{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}
}  // namespace

bool PlatformOpenPort(int portNumber) {
    char path[4096];
    PortDevicePath(portNumber, path, sizeof path);
    // Non-blocking only for the open itself, so that a modem line without
    // carrier cannot hold the tool here.
    int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Exclusive like a COM port: an advisory lock binds root too, where
    // TIOCEXCL would not (and TIOCEXCL would outlive us on a shared pty).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1) {
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    PortFd = fd;
    return true;
}

bool PlatformSizeQueues(int, int) {
    // The driver's queues are fixed here; what must hold is that this is a
    // terminal line at all and not some other file.
    return isatty(PortFd) == 1;
}

bool PlatformSetLine() {
    termios line{};
    if (tcgetattr(PortFd, &line) != 0) {
        return false;
    }
    cfmakeraw(&line);
    line.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    line.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    line.c_cflag |= CS8 | CREAD | CLOCAL;
    // Reads only ever ask for bytes already queued: never wait in read().
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    if (cfsetispeed(&line, B115200) != 0 || cfsetospeed(&line, B115200) != 0) {
        return false;
    }
    if (tcsetattr(PortFd, TCSANOW, &line) != 0) {
        return false;
    }
    // DTR and RTS on; a pseudo-terminal has no modem lines and refuses this.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(PortFd, TIOCMBIS, &lines);
    return true;
}

bool PlatformSetTimeouts() {
    // Reads never wait (VMIN 0, VTIME 0) and writes complete in the driver.
    return true;
}

bool PlatformSetEventMask() {
    return true;  // no events are ever waited on
}

bool PlatformPurgeInput() {
    return tcflush(PortFd, TCIFLUSH) == 0;
}

void PlatformClosePort() {
    if (PortFd >= 0) {
        close(PortFd);
        PortFd = -1;
    }
}

int PlatformBytesWaiting() {
    // Sleep in the kernel until input is there instead of spinning; with
    // bytes already waiting, poll() returns at once.
    pollfd readable{PortFd, POLLIN, 0};
    if (poll(&readable, 1, -1) < 0) {
        return 0;  // interrupted: the caller simply asks again
    }
    int waiting = 0;
    if (ioctl(PortFd, FIONREAD, &waiting) == 0 && waiting > 0) {
        return waiting;
    }
    // Woken with nothing to read: the line hung up (or reports an error),
    // and poll() would wake at once again. Pace the retries instead.
    SleepMilliseconds(50);
    return 0;
}

int PlatformReadPort(uint8_t* buffer, int count) {
    ssize_t got = read(PortFd, buffer, static_cast<size_t>(count));
    return got < 0 ? -1 : static_cast<int>(got);
}

int PlatformWritePort(const uint8_t* bytes, int count) {
    // write() may take fewer bytes than asked: a frame goes out whole or the
    // line is gone.
    int written = 0;
    while (written < count) {
        ssize_t put = write(PortFd, bytes + written, static_cast<size_t>(count - written));
        if (put > 0) {
            written += static_cast<int>(put);
        } else if (put < 0 && errno == EINTR) {
            continue;
        } else if (put < 0 && errno == EAGAIN) {
            pollfd writable{PortFd, POLLOUT, 0};
            poll(&writable, 1, 1000);
        } else {
            break;
        }
    }
    return written;
}
