#include "board_store.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const BOARD_FILE_NAMES[BOARD_FILE_COUNT] = {"0&000000.DAT", "1&000000.DAT"};

namespace {
char StoreDirectory[PATH_MAX];
char FilePath[PATH_MAX];
char TemporaryPath[PATH_MAX];

bool MakeFilePath(int index) {
    int n = std::snprintf(FilePath, sizeof FilePath, "%s/%s", StoreDirectory,
                          BOARD_FILE_NAMES[index]);
    return n > 0 && n < static_cast<int>(sizeof FilePath);
}

bool WriteWhole(int fd, const uint8_t* data, long length) {
    while (length > 0) {
        ssize_t put = write(fd, data, static_cast<size_t>(length));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        data += put;
        length -= put;
    }
    return true;
}

void SyncStoreDirectory() {
    int fd = open(StoreDirectory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}
}  // namespace

bool OpenBoardStore(const char* directory) {
    struct stat info {};
    if (stat(directory, &info) != 0 || !S_ISDIR(info.st_mode)) {
        std::fprintf(stderr, "cpusim: --store %s: not a directory\n", directory);
        return false;
    }
    int n = std::snprintf(StoreDirectory, sizeof StoreDirectory, "%s", directory);
    // Room for "/", a board name and the temporary suffix.
    if (n < 0 || n + 32 >= static_cast<int>(sizeof StoreDirectory)) {
        std::fprintf(stderr, "cpusim: --store %s: path too long\n", directory);
        return false;
    }
    return true;
}

int FindBoardFile(const uint8_t* nameField) {
    if (nameField[BOARD_NAME_LENGTH] != 0x00) {
        return -1;
    }
    for (int i = 0; i < BOARD_FILE_COUNT; ++i) {
        if (std::memcmp(nameField, BOARD_FILE_NAMES[i], BOARD_NAME_LENGTH) == 0) {
            return i;
        }
    }
    return -1;
}

long LoadBoardFile(int index, uint8_t* buffer, long capacity) {
    if (!MakeFilePath(index)) {
        return LOAD_FAILED;
    }
    int fd = open(FilePath, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? LOAD_MISSING : LOAD_FAILED;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return LOAD_FAILED;
    }
    if (info.st_size > capacity) {
        close(fd);
        return LOAD_TOO_LARGE;
    }
    long length = 0;
    while (length < capacity) {
        ssize_t got = read(fd, buffer + length, static_cast<size_t>(capacity - length));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            close(fd);
            return LOAD_FAILED;
        }
        if (got == 0) {
            break;
        }
        length += got;
    }
    // Grown past the limit since fstat: refuse rather than serve a cut file.
    uint8_t probe;
    bool more = length == capacity && read(fd, &probe, 1) == 1;
    close(fd);
    return more ? LOAD_TOO_LARGE : length;
}

bool StoreBoardFile(int index, const uint8_t* data, long length) {
    if (!MakeFilePath(index)) {
        return false;
    }
    int n = std::snprintf(TemporaryPath, sizeof TemporaryPath, "%s/.%s.XXXXXX", StoreDirectory,
                          BOARD_FILE_NAMES[index]);
    if (n < 0 || n >= static_cast<int>(sizeof TemporaryPath)) {
        return false;
    }
    int fd = mkstemp(TemporaryPath);
    if (fd < 0) {
        std::fprintf(stderr, "cpusim: %s: %s\n", TemporaryPath, std::strerror(errno));
        return false;
    }
    bool written = fchmod(fd, 0644) == 0 && WriteWhole(fd, data, length) && fsync(fd) == 0;
    if (close(fd) != 0) {
        written = false;
    }
    if (!written || rename(TemporaryPath, FilePath) != 0) {
        std::fprintf(stderr, "cpusim: storing %s: %s\n", FilePath, std::strerror(errno));
        unlink(TemporaryPath);
        return false;
    }
    SyncStoreDirectory();
    return true;
}
