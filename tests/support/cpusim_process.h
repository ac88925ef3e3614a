// Runs the simulated board (cpusim) as a child process for tests that play a
// tool against it, or that point the real tools at it. Each instance owns a
// fresh temporary directory holding the board's store, its transcript and
// what it writes to standard error; the directory goes with the instance.
//
//   testsupport::CpusimProcess board;
//   board.PutStoreFile("0&000000.DAT", bytes);
//   ASSERT_TRUE(board.Start({"--sessions", "1"})) << board.Error();
//   ... open board.PtyPath() as the serial port ...
//   EXPECT_EQ(board.WaitForExit(std::chrono::seconds(10)), 0);
//
// Every wait takes a timeout; a board still running when the instance goes
// away is stopped (SIGTERM, then SIGKILL).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// The cpusim built alongside the tests.
const char* DefaultCpusimPath();

// Exit results of WaitForExit and Stop besides an exit status 0..255.
constexpr int CPUSIM_STILL_RUNNING = -1;
constexpr int CPUSIM_NOT_STARTED = -2;
// A board ended by signal s reports 128 + s, as a shell would.

class CpusimProcess {
public:
    explicit CpusimProcess(std::string executable = DefaultCpusimPath());
    ~CpusimProcess();
    CpusimProcess(const CpusimProcess&) = delete;
    CpusimProcess& operator=(const CpusimProcess&) = delete;

    // Starts the board with --store StoreDir() --log TranscriptPath() and
    // the extra arguments, and waits up to `timeout` for the device name it
    // prints. On failure Error() says why and the child is gone.
    bool Start(const std::vector<std::string>& extraArgs = {},
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

    const std::string& PtyPath() const { return ptyPath_; }
    const std::string& TempDir() const { return tempDir_; }
    const std::string& StoreDir() const { return storeDir_; }
    const std::string& TranscriptPath() const { return transcriptPath_; }
    const std::string& Error() const { return error_; }
    pid_t Pid() const { return pid_; }
    bool Running() const { return pid_ > 0; }

    // Files of the board's store, by the board's names.
    bool PutStoreFile(const std::string& name, const std::vector<uint8_t>& bytes) const;
    bool ReadStoreFile(const std::string& name, std::vector<uint8_t>* bytes) const;
    // Every entry of the store directory, hidden ones included, sorted.
    std::vector<std::string> StoreEntries() const;

    // Waits for the board to end by itself: its exit status, 128 + signal,
    // or CPUSIM_STILL_RUNNING when the timeout passed first.
    int WaitForExit(std::chrono::milliseconds timeout);
    // Sends SIGTERM and waits; kills it when it does not end in time.
    // Returns as WaitForExit (128 + 9 when it had to be killed).
    int Stop(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Sends a signal without waiting.
    bool Signal(int signalNumber) const;
    // What the board has written to standard error so far.
    std::string Stderr() const;

private:
    std::string executable_;
    std::string tempDir_;
    std::string storeDir_;
    std::string transcriptPath_;
    std::string stderrPath_;
    std::string ptyPath_;
    std::string error_;
    pid_t pid_ = -1;
    int exitResult_ = CPUSIM_NOT_STARTED;
};

}  // namespace testsupport
