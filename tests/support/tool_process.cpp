#include "tool_process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

std::string ToolDirectory() {
    return TOOL_DIRECTORY;
}

namespace {
// Drains both pipes until the child has closed them or the bound passes.
void Collect(int outFd, int errFd, std::chrono::steady_clock::time_point deadline, ToolRun* run) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&run->out, &run->err};
    int open = 2;
    char buffer[8192];
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run->timedOut = true;
            return;
        }
        int ready = poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && fds[i].revents != 0) {
                ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<size_t>(n));
                } else {
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
}
}  // namespace

ToolRun RunTool(const ToolLaunch& launch) {
    ToolRun run;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        run.err = "pipe failed";
        return run;
    }
    std::string path = ToolDirectory() + "/" + launch.tool;
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        if (entry.rfind("LC_", 0) != 0 && entry.rfind("LANG", 0) != 0 && entry.rfind("COM", 0) != 0) {
            environment.push_back(entry);
        }
    }
    environment.push_back("LC_ALL=" + launch.locale);
    environment.insert(environment.end(), launch.environment.begin(), launch.environment.end());

    pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        int in = open("/dev/null", O_RDONLY);
        dup2(in, STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const auto& a : launch.arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& e : environment) {
            envp.push_back(const_cast<char*>(e.c_str()));
        }
        envp.push_back(nullptr);
        execve(path.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    Collect(out[0], err[0], std::chrono::steady_clock::now() + launch.bound, &run);
    if (run.timedOut) {
        kill(-child, SIGKILL);
        kill(child, SIGKILL);
    }
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.status = !run.timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}
