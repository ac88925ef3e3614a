// Console, key wait and error messages on POSIX systems. The tools' texts are
// Shift_JIS; under a UTF-8 locale they are converted so that they read right,
// otherwise they go out as the bytes they are.
#include <cerrno>
#include <clocale>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <termios.h>
#include <unistd.h>

#include "platform.h"

namespace {
const iconv_t NO_CONVERSION = reinterpret_cast<iconv_t>(-1);
iconv_t ConsoleConversion = NO_CONVERSION;   // Shift_JIS -> UTF-8, when wanted
iconv_t MessageConversion = NO_CONVERSION;  // UTF-16 -> the console's encoding
bool Started = false;

// Conversion output, written out whenever it fills up.
char ConvertedText[4096];

void WriteAll(int fd, const char* bytes, size_t count) {
    while (count > 0) {
        ssize_t put = write(fd, bytes, count);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return;
        }
        bytes += put;
        count -= static_cast<size_t>(put);
    }
}

// Converts and writes; input that does not convert shows as '?' (one per
// unit), so text from the board can never stop the line being written.
void ConvertAndWrite(iconv_t cd, int fd, const char* text, size_t length, size_t unitSize) {
    char* in = const_cast<char*>(text);
    size_t inLeft = length;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        char* out = ConvertedText;
        size_t outLeft = sizeof ConvertedText - 1;  // room kept for a '?'
        size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            *out++ = '?';
            size_t skip = unitSize < inLeft ? unitSize : inLeft;
            in += skip;
            inLeft -= skip;
        }
        WriteAll(fd, ConvertedText, static_cast<size_t>(out - ConvertedText));
    }
}
}  // namespace

void PlatformStartup() {
    if (Started) {
        return;
    }
    Started = true;
    // Only the character encoding of the user's locale is read; everything
    // else stays in the "C" locale.
    const char* previous = std::setlocale(LC_CTYPE, "");
    bool utf8 = previous != nullptr && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    std::setlocale(LC_CTYPE, "C");
    if (utf8) {
        ConsoleConversion = iconv_open("UTF-8", "CP932");
        MessageConversion = iconv_open("UTF-8", "UTF-16LE");
    } else {
        MessageConversion = iconv_open("CP932", "UTF-16LE");
    }
}

void PlatformConsoleWrite(const char* text, int length) {
    PlatformStartup();
    if (ConsoleConversion == NO_CONVERSION) {
        WriteAll(STDOUT_FILENO, text, static_cast<size_t>(length));
    } else {
        ConvertAndWrite(ConsoleConversion, STDOUT_FILENO, text, static_cast<size_t>(length), 1);
    }
}

void PlatformShowError(const char16_t* caption, const char16_t* text) {
    PlatformStartup();
    // No desktop to put a box on: the message goes to standard error as
    // "<caption>: <text>".
    const char16_t* parts[] = {caption, u": ", text, u"\n"};
    for (const char16_t* part : parts) {
        size_t units = 0;
        while (part[units] != u'\0') {
            ++units;
        }
        if (MessageConversion != NO_CONVERSION) {
            ConvertAndWrite(MessageConversion, STDERR_FILENO, reinterpret_cast<const char*>(part),
                            units * sizeof(char16_t), sizeof(char16_t));
        }
    }
}

void PlatformWaitKey() {
    char key;
    termios saved{};
    bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios raw = saved;
        raw.c_lflag &= ~(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    // One byte is one key press; end of input (or an error) goes on at once.
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    }
}
