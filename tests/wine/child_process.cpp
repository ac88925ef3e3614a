#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace winetest {

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds POLL_PERIOD(10);

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}
}  // namespace

ChildProcess::ChildProcess() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/wine-child-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) {
        dir_ = pattern;
    }
}

ChildProcess::~ChildProcess() {
    KillGroup();
    CloseInput();
    if (!dir_.empty()) {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const std::string& cwd) {
    if (dir_.empty()) {
        error_ = "no temporary directory";
        return false;
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        error_ = "no pipe";
        return false;
    }
    // Everything the child needs is prepared before the fork.
    std::vector<std::string> args = argv;
    std::vector<std::string> vars = env;
    std::vector<char*> argPointers = Pointers(args);
    std::vector<char*> envPointers = Pointers(vars);
    std::string outPath = dir_ + "/stdout";
    std::string errPath = dir_ + "/stderr";
    status_ = STILL_RUNNING;

    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || dup2(pipeEnds[0], 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
            _exit(127);
        }
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) {
            _exit(127);
        }
        execve(argPointers[0], argPointers.data(), envPointers.data());
        _exit(127);
    }
    close(pipeEnds[0]);
    if (pid < 0) {
        close(pipeEnds[1]);
        error_ = "fork failed";
        return false;
    }
    setpgid(pid, pid);  // also here, so the group exists before we may kill it
    pid_ = pid;
    input_ = pipeEnds[1];
    return true;
}

bool ChildProcess::SendInput(const std::string& bytes) {
    return input_ >= 0 && write(input_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

void ChildProcess::CloseInput() {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
}

int ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    Clock::time_point deadline = Clock::now() + timeout;
    while (pid_ > 0) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (done < 0 && errno != EINTR) {
            pid_ = -1;  // nothing left to wait for
            status_ = 127;
            break;
        }
        if (Clock::now() >= deadline) {
            return STILL_RUNNING;
        }
        std::this_thread::sleep_for(POLL_PERIOD);
    }
    return status_;
}

bool ChildProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (Stdout().find(text) != std::string::npos) {
            return true;
        }
        if (Clock::now() >= deadline || WaitForExit(std::chrono::milliseconds(0)) != STILL_RUNNING) {
            return Stdout().find(text) != std::string::npos;
        }
        std::this_thread::sleep_for(POLL_PERIOD);
    }
}

void ChildProcess::KillGroup() {
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        status_ = 128 + SIGKILL;
    }
}

std::string ChildProcess::Stdout() const {
    return ReadWhole(dir_ + "/stdout");
}

std::string ChildProcess::Stderr() const {
    return ReadWhole(dir_ + "/stderr");
}

int RunBounded(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               std::chrono::milliseconds timeout, std::string* output) {
    ChildProcess child;
    if (!child.Start(argv, env)) {
        return 127;
    }
    child.CloseInput();
    int status = child.WaitForExit(timeout);
    if (status == STILL_RUNNING) {
        child.KillGroup();
    }
    if (output != nullptr) {
        *output = child.Stdout() + child.Stderr();
    }
    return status;
}

}  // namespace winetest
