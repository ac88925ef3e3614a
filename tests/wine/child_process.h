// A program the tests start and watch: in a process group of its own, so
// that a run which outlasts its timeout goes with everything it started;
// standard output and error in files, standard input a pipe the test holds.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace winetest {

// WaitForExit's answer while the child still runs.
constexpr int STILL_RUNNING = -1;

class ChildProcess {
public:
    ChildProcess();
    ~ChildProcess();  // kills the group if the child still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // argv[0] is a full path; env holds KEY=VALUE; cwd empty keeps ours.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& cwd = std::string());
    bool SendInput(const std::string& bytes);
    void CloseInput();
    // The exit status, 128 + signal, or STILL_RUNNING when the timeout
    // passed first.
    int WaitForExit(std::chrono::milliseconds timeout);
    // True once standard output holds the text; false at the timeout or
    // when the child ended without writing it.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    // Kills the whole process group and reaps the child.
    void KillGroup();

    std::string Stdout() const;
    std::string Stderr() const;
    const std::string& Error() const { return error_; }
    bool Running() const { return pid_ > 0; }

private:
    std::string dir_;
    std::string error_;
    pid_t pid_ = -1;
    int input_ = -1;
    int status_ = STILL_RUNNING;
};

// Runs a program to its end, bounded: its exit status, or STILL_RUNNING when
// it had to be killed at the timeout. Its output goes to *output when given.
int RunBounded(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               std::chrono::milliseconds timeout, std::string* output = nullptr);

}  // namespace winetest
