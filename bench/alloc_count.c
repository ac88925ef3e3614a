/* Counts a tool's heap allocations, split at its use of the serial port.
 *
 * Preloaded into a tool (LD_PRELOAD), it counts every malloc, calloc,
 * realloc and aligned allocation, and notes the count at the first and at
 * the last write() to a descriptor above 2: the tools write only the console
 * (1), error messages (2) and the port, so those writes are the frames.
 * Whatever is counted between them happened during the transfer. At exit it
 * writes one line to the file named by ALLOC_COUNT_OUT:
 *
 *   total=<n> before_first_port_write=<n> between_port_writes=<n>
 *   after_last_port_write=<n> port_writes=<n>
 *
 * The allocations themselves go to the C library's own allocator, and the
 * wrapped write() is a plain system call, so counting allocates nothing and
 * needs no symbol look-up.
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* block, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);
extern void __libc_free(void* block);

static unsigned long Allocations;
static unsigned long AtFirstPortWrite;
static unsigned long AtLastPortWrite;
static unsigned long PortWrites;

void* malloc(size_t size) {
    __atomic_add_fetch(&Allocations, 1, __ATOMIC_RELAXED);
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    __atomic_add_fetch(&Allocations, 1, __ATOMIC_RELAXED);
    return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
    __atomic_add_fetch(&Allocations, 1, __ATOMIC_RELAXED);
    return __libc_realloc(block, size);
}

void* memalign(size_t alignment, size_t size) {
    __atomic_add_fetch(&Allocations, 1, __ATOMIC_RELAXED);
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}

int posix_memalign(void** result, size_t alignment, size_t size) {
    void* block = memalign(alignment, size);
    if (block == NULL) {
        return ENOMEM;
    }
    *result = block;
    return 0;
}

void free(void* block) {
    __libc_free(block);
}

ssize_t write(int fd, const void* bytes, size_t count) {
    if (fd > 2) {
        unsigned long now = __atomic_load_n(&Allocations, __ATOMIC_RELAXED);
        if (PortWrites == 0) {
            AtFirstPortWrite = now;
        }
        AtLastPortWrite = now;
        ++PortWrites;
    }
    return syscall(SYS_write, fd, bytes, count);
}

__attribute__((destructor)) static void ReportAllocations(void) {
    const char* path = getenv("ALLOC_COUNT_OUT");
    if (path == NULL || path[0] == '\0') {
        return;
    }
    char line[256];
    int n = snprintf(line, sizeof line,
                     "total=%lu before_first_port_write=%lu between_port_writes=%lu "
                     "after_last_port_write=%lu port_writes=%lu\n",
                     Allocations, AtFirstPortWrite, AtLastPortWrite - AtFirstPortWrite,
                     Allocations - AtLastPortWrite, PortWrites);
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || n <= 0) {
        return;
    }
    syscall(SYS_write, fd, line, (size_t)n);
    close(fd);
}
