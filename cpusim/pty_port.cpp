#include "pty_port.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {
bool SetRawLine(int fd) {
    termios line{};
    if (tcgetattr(fd, &line) != 0) {
        return false;
    }
    // No echo and no byte translation: every byte of a frame must pass as is.
    cfmakeraw(&line);
    line.c_cflag |= CLOCAL | CREAD;
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    cfsetispeed(&line, B115200);
    cfsetospeed(&line, B115200);
    return tcsetattr(fd, TCSANOW, &line) == 0;
}

void Fail(const char* what) {
    std::fprintf(stderr, "cpusim: %s: %s\n", what, std::strerror(errno));
}
}  // namespace

bool OpenPtyPort(PtyPort* port) {
    port->master = -1;
    port->slave = -1;
    port->slaveName[0] = '\0';
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        Fail("posix_openpt");
        return false;
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        Fail("grantpt/unlockpt");
        close(master);
        return false;
    }
    if (ptsname_r(master, port->slaveName, sizeof port->slaveName) != 0) {
        Fail("ptsname_r");
        close(master);
        return false;
    }
    int slave = open(port->slaveName, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        Fail(port->slaveName);
        close(master);
        return false;
    }
    if (!SetRawLine(slave)) {
        Fail("raw mode");
        close(slave);
        close(master);
        return false;
    }
    // Writes must never block the board: a full line is waited on with
    // poll(), which also watches for a stop signal.
    int flags = fcntl(master, F_GETFL);
    if (flags == -1 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
        Fail("non-blocking master");
        close(slave);
        close(master);
        return false;
    }
    port->master = master;
    port->slave = slave;
    return true;
}

void ClosePtyPort(PtyPort* port) {
    if (port->master >= 0) {
        close(port->master);
        port->master = -1;
    }
    if (port->slave >= 0) {
        close(port->slave);
        port->slave = -1;
    }
}

int PendingToolInput(const PtyPort* port) {
    int waiting = 0;
    if (ioctl(port->slave, FIONREAD, &waiting) != 0) {
        return 0;
    }
    return waiting;
}

bool CreatePortLink(const char* linkPath, const char* target) {
    struct stat existing {};
    if (lstat(linkPath, &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        std::fprintf(stderr, "cpusim: --link %s: exists and is not a symbolic link\n", linkPath);
        return false;
    }
    // A fresh link renamed over the old one: whoever follows the path never
    // finds it missing or pointing at a stale pty.
    char temporary[PATH_MAX];
    int n = std::snprintf(temporary, sizeof temporary, "%s.cpusim-%ld", linkPath,
                          static_cast<long>(getpid()));
    if (n < 0 || n >= static_cast<int>(sizeof temporary)) {
        std::fprintf(stderr, "cpusim: --link %s: path too long\n", linkPath);
        return false;
    }
    unlink(temporary);
    if (symlink(target, temporary) != 0) {
        Fail(linkPath);
        return false;
    }
    if (rename(temporary, linkPath) != 0) {
        Fail(linkPath);
        unlink(temporary);
        return false;
    }
    return true;
}

void RemovePortLink(const char* linkPath, const char* target) {
    char pointsAt[PATH_MAX];
    ssize_t n = readlink(linkPath, pointsAt, sizeof pointsAt - 1);
    if (n < 0) {
        return;
    }
    pointsAt[n] = '\0';
    if (std::strcmp(pointsAt, target) == 0) {
        unlink(linkPath);
    }
}
