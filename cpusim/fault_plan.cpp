#include "fault_plan.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int MAX_FAULTS = 64;

// Some faults only make sense against a reading tool.
enum Applies { BOTH, READ_ONLY };

struct FaultKindInfo {
    const char* name;
    FaultKind kind;
    Applies applies;
};

const FaultKindInfo KINDS[] = {
    {"error0", FAULT_ERROR0, BOTH},
    {"error", FAULT_ERROR, BOTH},
    {"nonul", FAULT_NONUL, BOTH},
    {"fcs", FAULT_FCS, BOTH},
    {"wrongblock", FAULT_WRONGBLOCK, BOTH},
    {"repeat", FAULT_REPEAT, BOTH},
    {"unknowncmd", FAULT_UNKNOWNCMD, BOTH},
    {"ack", FAULT_ACK, READ_ONLY},
    {"garbage", FAULT_GARBAGE, BOTH},
    {"pieces", FAULT_PIECES, BOTH},
    {"shortdata", FAULT_SHORTDATA, READ_ONLY},
    {"shortframe", FAULT_SHORTFRAME, BOTH},
    {"emptydata", FAULT_EMPTYDATA, READ_ONLY},
    {"silence", FAULT_SILENCE, BOTH},
};

struct Fault {
    const FaultKindInfo* info;
    long block;
    long count;
    long session;  // 0: every session
    // Per session:
    bool armed;
    bool started;
    long remaining;
};

Fault Faults[MAX_FAULTS];
int FaultCount = 0;
bool WriteSession = false;
char NamesText[256];

bool ParseNumber(const char* text, const char** end, long low, long high, long* value) {
    if (*text < '0' || *text > '9') {
        return false;
    }
    errno = 0;
    char* stop = nullptr;
    long v = std::strtol(text, &stop, 10);
    if (errno != 0 || v < low || v > high) {
        return false;
    }
    *value = v;
    *end = stop;
    return true;
}

const FaultKindInfo* FindKind(const char* name, size_t length) {
    for (const FaultKindInfo& info : KINDS) {
        if (std::strlen(info.name) == length && std::strncmp(info.name, name, length) == 0) {
            return &info;
        }
    }
    return nullptr;
}
}  // namespace

bool AddFault(const char* text, char* error, int errorSize) {
    const char* at = std::strchr(text, '@');
    const FaultKindInfo* info = at ? FindKind(text, static_cast<size_t>(at - text)) : nullptr;
    if (info == nullptr) {
        std::snprintf(error, static_cast<size_t>(errorSize), "unknown fault kind in \"%s\"", text);
        return false;
    }
    Fault fault{info, 0, 1, 0, false, false, 0};
    const char* p = at + 1;
    bool good = ParseNumber(p, &p, 0, 65535, &fault.block);
    if (good && *p == 'x') {
        good = ParseNumber(p + 1, &p, 1, 1000000, &fault.count);
    }
    if (good && *p == '/') {
        good = ParseNumber(p + 1, &p, 1, 1000000000, &fault.session);
    }
    if (!good || *p != '\0') {
        std::snprintf(error, static_cast<size_t>(errorSize),
                      "bad fault \"%s\" (expected KIND@BLOCK[xCOUNT][/SESSION])", text);
        return false;
    }
    if (FaultCount == MAX_FAULTS) {
        std::snprintf(error, static_cast<size_t>(errorSize), "more than %d faults", MAX_FAULTS);
        return false;
    }
    Faults[FaultCount++] = fault;
    return true;
}

void ArmFaults(int sessionNumber, bool writeSession) {
    WriteSession = writeSession;
    for (int i = 0; i < FaultCount; ++i) {
        Fault& f = Faults[i];
        bool direction = f.info->applies == BOTH || !writeSession;
        f.armed = direction && (f.session == 0 || f.session == sessionNumber);
        f.started = false;
        f.remaining = f.count;
    }
}

unsigned TakeFaults(uint16_t block, bool toRequest) {
    unsigned faults = 0;
    for (int i = 0; i < FaultCount; ++i) {
        Fault& f = Faults[i];
        if (!f.armed || f.remaining == 0) {
            continue;
        }
        bool here = f.block == block || (!WriteSession && toRequest && f.block == 0);
        if (f.started || here) {
            f.started = true;
            --f.remaining;
            faults |= f.info->kind;
        }
    }
    return faults;
}

const char* FaultNames(unsigned faults) {
    NamesText[0] = '\0';
    size_t used = 0;
    for (const FaultKindInfo& info : KINDS) {
        if ((faults & info.kind) == 0) {
            continue;
        }
        int n = std::snprintf(NamesText + used, sizeof NamesText - used, "%s%s",
                              used > 0 ? "+" : "", info.name);
        if (n < 0 || used + static_cast<size_t>(n) >= sizeof NamesText) {
            break;
        }
        used += static_cast<size_t>(n);
    }
    return NamesText;
}
