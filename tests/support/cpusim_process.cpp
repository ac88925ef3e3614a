#include "cpusim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace testsupport {

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string MakeTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/cpusim-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        return std::string();
    }
    return std::string(buffer.data());
}

int DecodeStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return CPUSIM_STILL_RUNNING;
}
}  // namespace

const char* DefaultCpusimPath() {
    return CPUSIM_EXECUTABLE;
}

CpusimProcess::CpusimProcess(std::string executable) : executable_(std::move(executable)) {
    tempDir_ = MakeTempDir();
    if (tempDir_.empty()) {
        error_ = "cannot create a temporary directory";
        return;
    }
    storeDir_ = tempDir_ + "/store";
    transcriptPath_ = tempDir_ + "/transcript.log";
    stderrPath_ = tempDir_ + "/stderr.txt";
    fs::create_directory(storeDir_);
}

CpusimProcess::~CpusimProcess() {
    if (pid_ > 0) {
        Stop(std::chrono::seconds(2));
    }
    if (!tempDir_.empty()) {
        std::error_code ignored;
        fs::remove_all(tempDir_, ignored);
    }
}

bool CpusimProcess::Start(const std::vector<std::string>& extraArgs,
                          std::chrono::milliseconds timeout) {
    if (tempDir_.empty()) {
        return false;
    }
    if (pid_ > 0) {
        error_ = "already running";
        return false;
    }
    std::vector<std::string> args = {executable_, "--store", storeDir_, "--log", transcriptPath_};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    // Opened before the fork: the child may only make async-signal-safe calls.
    int errFd = open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int nullFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(nullFd, 0);
        dup2(out[1], 1);
        dup2(errFd, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(errFd);
    close(nullFd);
    if (pid < 0) {
        close(out[0]);
        error_ = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    pid_ = pid;
    exitResult_ = CPUSIM_STILL_RUNNING;

    // The first line on its standard output names the device.
    std::string line;
    Clock::time_point deadline = Clock::now() + timeout;
    bool complete = false;
    while (!complete) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd readable{out[0], POLLIN, 0};
        if (poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char c;
        ssize_t got = read(out[0], &c, 1);
        if (got <= 0) {
            break;
        }
        if (c == '\n') {
            complete = true;
        } else {
            line.push_back(c);
        }
    }
    close(out[0]);
    if (!complete || line.empty()) {
        error_ = "cpusim did not name its device; stderr: " + Stderr();
        Stop(std::chrono::seconds(2));
        return false;
    }
    ptyPath_ = line;
    return true;
}

bool CpusimProcess::PutStoreFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream file(storeDir_ + "/" + name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

bool CpusimProcess::ReadStoreFile(const std::string& name, std::vector<uint8_t>* bytes) const {
    std::ifstream file(storeDir_ + "/" + name, std::ios::binary);
    if (!file) {
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

std::vector<std::string> CpusimProcess::StoreEntries() const {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(storeDir_, ignored)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

int CpusimProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) {
        return exitResult_;
    }
    Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            exitResult_ = DecodeStatus(status);
            return exitResult_;
        }
        if (done < 0 && errno != EINTR) {
            pid_ = -1;
            exitResult_ = CPUSIM_NOT_STARTED;
            return exitResult_;
        }
        if (Clock::now() >= deadline) {
            return CPUSIM_STILL_RUNNING;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int CpusimProcess::Stop(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) {
        return exitResult_;
    }
    kill(pid_, SIGTERM);
    int result = WaitForExit(timeout);
    if (result == CPUSIM_STILL_RUNNING) {
        kill(pid_, SIGKILL);
        result = WaitForExit(std::chrono::seconds(5));
    }
    return result;
}

bool CpusimProcess::Signal(int signalNumber) const {
    return pid_ > 0 && kill(pid_, signalNumber) == 0;
}

std::string CpusimProcess::Stderr() const {
    std::ifstream file(stderrPath_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace testsupport
