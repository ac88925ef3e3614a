#include "tool_run.h"

#include <climits>

#include "comm_port.h"
#include "console.h"
#include "console_texts.h"
#include "platform.h"

int ParsePortArgument(const char* text) {
    const char* c = text;
    while (*c == ' ' || (*c >= '\t' && *c <= '\r')) {
        ++c;
    }
    bool negative = false;
    if (*c == '+' || *c == '-') {
        negative = *c == '-';
        ++c;
    }
    // Accumulate the magnitude but stop growing just past int's range, so a
    // huge number becomes a port that simply does not open.
    long long magnitude = 0;
    const long long limit = static_cast<long long>(INT_MAX) + 1;
    for (; *c >= '0' && *c <= '9'; ++c) {
        if (magnitude <= limit) {
            magnitude = magnitude * 10 + (*c - '0');
        }
    }
    long long value = negative ? -magnitude : magnitude;
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

int PortNumberFromArguments(int argc, char** argv) {
    return argc == 2 ? ParsePortArgument(argv[1]) : 1;
}

bool StartRun(int argc, char** argv) {
    PlatformStartup();
    return OpenCommPort(PortNumberFromArguments(argc, argv)) == 1;
}

int FinishRun(bool succeeded, const char* successBanner) {
    ConsolePrint(succeeded ? successBanner : MSG_FAILURE_BANNER);
    ConsolePrint(MSG_PRESS_ANY_KEY);
    PlatformWaitKey();
    return succeeded ? 0 : 1;
}
