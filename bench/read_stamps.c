/* Notes when each read() from a terminal returned bytes.
 *
 * Preloaded (LD_PRELOAD) into both ends of a serial exchange, it stamps every
 * read() that returns bytes from a terminal with CLOCK_MONOTONIC, so that the
 * two ends' stamps together show when each side first saw the other's answer.
 * The stamps go straight into a file mapped into memory (READ_STAMPS_OUT),
 * which keeps them even when the process is killed and costs no system call
 * per read:
 *
 *   uint64 count, then count records of { int64 ns; int32 fd; int32 bytes; }
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

struct Stamp {
    int64_t ns;
    int32_t fd;
    int32_t bytes;
};

enum { MAX_STAMPS = 1 << 18, KNOWN_FDS = 256 };
enum { UNKNOWN = 0, TERMINAL = 1, OTHER = 2 };

static uint64_t* StampCount;
static struct Stamp* Stamps;
/* Whether each descriptor is a terminal, asked once per open descriptor. */
static unsigned char FdKind[KNOWN_FDS];

__attribute__((constructor)) static void MapStampFile(void) {
    const char* path = getenv("READ_STAMPS_OUT");
    if (path == NULL || path[0] == '\0') {
        return;
    }
    int fd = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    size_t size = sizeof(uint64_t) + (size_t)MAX_STAMPS * sizeof(struct Stamp);
    if (ftruncate(fd, (off_t)size) != 0) {
        close(fd);
        return;
    }
    void* map = mmap(NULL, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (map == MAP_FAILED) {
        return;
    }
    StampCount = (uint64_t*)map;
    Stamps = (struct Stamp*)((char*)map + sizeof(uint64_t));
}

static int IsTerminal(int fd) {
    if (fd < 0 || fd >= KNOWN_FDS) {
        return isatty(fd);
    }
    if (FdKind[fd] == UNKNOWN) {
        FdKind[fd] = isatty(fd) ? TERMINAL : OTHER;
    }
    return FdKind[fd] == TERMINAL;
}

ssize_t read(int fd, void* buffer, size_t count) {
    ssize_t got = syscall(SYS_read, fd, buffer, count);
    if (got > 0 && Stamps != NULL && *StampCount < MAX_STAMPS && IsTerminal(fd)) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        struct Stamp* stamp = &Stamps[*StampCount];
        stamp->ns = (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
        stamp->fd = fd;
        stamp->bytes = (int32_t)got;
        ++*StampCount;
    }
    return got;
}

int close(int fd) {
    if (fd >= 0 && fd < KNOWN_FDS) {
        FdKind[fd] = UNKNOWN;  /* the number may come back as another file */
    }
    return (int)syscall(SYS_close, fd);
}
