// The POSIX backend for real, on a pseudo-terminal pair: the test holds the
// board's side (the master) and the backend opens the other side as COM7.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "platform.h"

namespace {
using Bytes = std::vector<uint8_t>;

class PosixPortTest : public testing::Test {
  protected:
    void SetUp() override {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        setenv("COM7", ptsname(master), 1);
    }
    void TearDown() override {
        PlatformClosePort();
        unsetenv("COM7");
        close(master);
    }
    void OpenAndConfigure() {
        ASSERT_TRUE(PlatformOpenPort(7));
        ASSERT_TRUE(PlatformSizeQueues(2048, 2048));
        ASSERT_TRUE(PlatformSetLine());
        ASSERT_TRUE(PlatformSetTimeouts());
        ASSERT_TRUE(PlatformSetEventMask());
        ASSERT_TRUE(PlatformPurgeInput());
    }
    void FromBoard(const Bytes& bytes) {
        ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        tcdrain(master);
    }
    // Reads what the tool wrote, within a bound.
    Bytes AtBoard(size_t expected) {
        Bytes got;
        uint8_t buffer[4096];
        while (got.size() < expected) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0) {
                break;
            }
            ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }
    int master = -1;
};

TEST_F(PosixPortTest, AppliesTheLineSettings) {
    OpenAndConfigure();
    int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    termios line{};
    ASSERT_EQ(tcgetattr(slave, &line), 0);
    close(slave);
    EXPECT_EQ(cfgetospeed(&line), B115200);
    EXPECT_EQ(cfgetispeed(&line), B115200);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_NE(line.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
}

TEST_F(PosixPortTest, MovesBytesBothWaysAndPurgesInput) {
    ASSERT_TRUE(PlatformOpenPort(7));
    ASSERT_TRUE(PlatformSetLine());
    FromBoard({0x01, 0x02, 0x03});
    ASSERT_TRUE(PlatformPurgeInput());  // bytes from before the run are dropped
    FromBoard({0x7E, 0x00, 0x04, 0x7E, 0x0A, 0x0D});
    ASSERT_EQ(PlatformBytesWaiting(), 6);
    uint8_t got[16];
    ASSERT_EQ(PlatformReadPort(got, 6), 6);
    EXPECT_EQ(Bytes(got, got + 6), Bytes({0x7E, 0x00, 0x04, 0x7E, 0x0A, 0x0D}));

    // A write larger than the terminal's buffer still goes out whole.
    Bytes frame(3000);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<uint8_t>(i * 7);
    }
    pid_t reader = fork();
    if (reader == 0) {
        _exit(PlatformWritePort(frame.data(), static_cast<int>(frame.size())) == 3000 ? 0 : 1);
    }
    EXPECT_EQ(AtBoard(frame.size()), frame);
    int status = 0;
    waitpid(reader, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(PosixPortTest, WaitingSleepsUntilBytesArrive) {
    ASSERT_TRUE(PlatformOpenPort(7));
    ASSERT_TRUE(PlatformSetLine());
    pid_t board = fork();
    if (board == 0) {
        usleep(100000);
        uint8_t byte = 0x7E;
        _exit(write(master, &byte, 1) == 1 ? 0 : 1);
    }
    EXPECT_EQ(PlatformBytesWaiting(), 1);
    int status = 0;
    waitpid(board, &status, 0);
}

TEST_F(PosixPortTest, AHungUpLineReportsNoBytes) {
    ASSERT_TRUE(PlatformOpenPort(7));
    ASSERT_TRUE(PlatformSetLine());
    close(master);  // the board's side goes away
    master = posix_openpt(O_RDWR | O_NOCTTY);  // for TearDown
    // Each call comes back (paced, not spinning) and never invents bytes.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(PlatformBytesWaiting(), 0);
    }
}

TEST_F(PosixPortTest, AHeldPortDoesNotOpenAgain) {
    ASSERT_TRUE(PlatformOpenPort(7));
    pid_t other = fork();
    if (other == 0) {
        _exit(PlatformOpenPort(7) ? 1 : 0);
    }
    int status = 0;
    waitpid(other, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a second program opened the held port";
}

TEST(PosixPortNames, MissingDevicesAndPlainFilesAreRefused) {
    setenv("COM41", "/nonexistent/tty", 1);
    EXPECT_FALSE(PlatformOpenPort(41));
    unsetenv("COM41");
    char path[] = "/tmp/glyphport-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    setenv("COM42", path, 1);
    ASSERT_TRUE(PlatformOpenPort(42));
    EXPECT_FALSE(PlatformSizeQueues(2048, 2048));  // not a terminal line
    PlatformClosePort();
    unsetenv("COM42");
    unlink(path);
}

// Console and key wait run in a child: the locale is read once per process.
std::string ChildConsole(const char* locale, const std::string& sjis, const char* input) {
    int out[2];
    if (pipe(out) != 0) {
        return "pipe failed";
    }
    pid_t child = fork();
    if (child == 0) {
        setenv("LC_ALL", locale, 1);
        int in = open(input, O_RDONLY);
        dup2(in, STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(out[1], STDERR_FILENO);
        PlatformStartup();
        PlatformConsoleWrite(sjis.data(), static_cast<int>(sjis.size()));
        PlatformWaitKey();
        PlatformShowError(u"COM3", u"CommPort < 1 (未接続)");
        _exit(0);
    }
    close(out[1]);
    std::string got;
    char buffer[256];
    pollfd p{out[0], POLLIN, 0};
    while (poll(&p, 1, 5000) > 0) {
        ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        got.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return got;
}

TEST(PosixConsole, FollowsTheLocaleAndGoesOnAtEndOfInput) {
    const std::string sjis = "\x83\x47\x83\x89\x81\x5b X\n";  // "エラー X\n"
    struct Case {
        const char* locale;
        std::string expected;
    } cases[] = {
        {"C.UTF-8", "\xe3\x82\xa8\xe3\x83\xa9\xe3\x83\xbc X\nCOM3: CommPort < 1 (\xe6\x9c\xaa\xe6\x8e\xa5\xe7\xb6\x9a)\n"},
        {"C", sjis + "COM3: CommPort < 1 (\x96\xa2\x90\xda\x91\xb1)\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChildConsole(c.locale, sjis, "/dev/null"), c.expected) << c.locale;
    }
}
}  // namespace
