#include "expected_output.h"

#include "console_texts.h"
#include "verifier_texts.h"
#include "writer_texts.h"

namespace winetest {

std::string WindowsLineEnds(const std::string& text) {
    std::string windows;
    for (char c : text) {
        if (c == '\n') {
            windows += '\r';
        }
        windows += c;
    }
    return windows;
}

std::string WriterOutput() {
    return WindowsLineEnds(AckLines(0, 68) + MSG_WRITE_COMPLETE + MSG_PRESS_ANY_KEY);
}

std::string VerifierOutput(const ImagePart& part, const Bytes& served) {
    const char* verdict = served == PartBytes(part) ? MSG_VERIFY_BANNER : MSG_FAILURE_BANNER;
    return WindowsLineEnds(VerifierLines(part, served) + verdict + MSG_PRESS_ANY_KEY);
}

int CountLines(const std::string& text) {
    int lines = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        ++lines;
    }
    return lines;
}

}  // namespace winetest
