/* Runs one program and reports its wall time and its own resource use.
 *
 *   run_measured TIMEOUT_SECONDS REPORT_FILE [NAME=VALUE]... PROGRAM [ARGUMENT]...
 *
 * The program inherits standard input, output, error and the environment,
 * with the NAME=VALUE settings added for it alone: a library preloaded that
 * way loads into the program and not into this launcher, and no further
 * program (env) has to start in between and be timed with it.
 * Once it has ended, REPORT_FILE gets one line:
 *
 *   status=<exit status, or 128+signal> wall_ns=<n> user_us=<n> system_us=<n>
 *   maxrss_kib=<n> timed_out=<0|1>
 *
 * A small launcher rather than the benchmark's own interpreter: a process
 * keeps the peak resident size of whatever it was before exec(), so a tool
 * started straight from a large interpreter would report the interpreter's
 * size as its own. Past the timeout the program is killed.
 */
#define _GNU_SOURCE
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static volatile sig_atomic_t TimedOut;
static pid_t Child;

static void KillOnTimeout(int signalNumber) {
    (void)signalNumber;
    TimedOut = 1;
    kill(Child, SIGKILL);
}

static long long MonotonicNs(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

static long long Microseconds(struct timeval t) {
    return (long long)t.tv_sec * 1000000LL + t.tv_usec;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr,
                "usage: run_measured TIMEOUT_SECONDS REPORT_FILE [NAME=VALUE]... PROGRAM "
                "[ARGUMENT]...\n");
        return 2;
    }
    unsigned timeout = (unsigned)strtoul(argv[1], NULL, 10);
    const char* reportPath = argv[2];
    FILE* report = fopen(reportPath, "w");
    if (report == NULL) {
        perror(reportPath);
        return 2;
    }

    long long start = MonotonicNs();
    Child = fork();
    if (Child < 0) {
        perror("fork");
        return 2;
    }
    if (Child == 0) {
        fclose(report);
        int program = 3;
        for (; program < argc && strchr(argv[program], '=') != NULL; ++program) {
            putenv(argv[program]);
        }
        if (program == argc) {
            fprintf(stderr, "run_measured: no program to run\n");
            _exit(127);
        }
        execvp(argv[program], argv + program);
        perror(argv[program]);
        _exit(127);
    }
    struct sigaction onAlarm = {0};
    onAlarm.sa_handler = KillOnTimeout;
    sigaction(SIGALRM, &onAlarm, NULL);
    alarm(timeout);

    int status = 0;
    struct rusage usage;
    pid_t waited;
    do {
        waited = wait4(Child, &status, 0, &usage);
    } while (waited < 0 && errno == EINTR);
    if (waited < 0) {
        perror("wait4");
        return 2;
    }
    long long wall = MonotonicNs() - start;
    alarm(0);

    int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    fprintf(report, "status=%d wall_ns=%lld user_us=%lld system_us=%lld maxrss_kib=%ld timed_out=%d\n",
            exitStatus, wall, Microseconds(usage.ru_utime), Microseconds(usage.ru_stime),
            usage.ru_maxrss, TimedOut ? 1 : 0);
    fclose(report);
    return 0;
}
