#include "transcript_reader.h"

#include <cstring>
#include <fstream>

namespace testsupport {

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Consumes `literal` at *p.
bool Expect(const char** p, const char* literal) {
    size_t n = std::strlen(literal);
    if (std::strncmp(*p, literal, n) != 0) {
        return false;
    }
    *p += n;
    return true;
}

// Consumes one or more decimal digits (at most `maxDigits`, 0: any).
bool Digits(const char** p, size_t maxDigits, int64_t* value, size_t* count) {
    const char* start = *p;
    int64_t v = 0;
    while (**p >= '0' && **p <= '9' && (maxDigits == 0 || static_cast<size_t>(*p - start) < maxDigits)) {
        v = v * 10 + (**p - '0');
        ++*p;
    }
    *count = static_cast<size_t>(*p - start);
    *value = v;
    return *count > 0 && *count <= 18;
}

// "<sec>.<usec>" with exactly six decimals.
bool Time(const char** p, int64_t* us) {
    int64_t seconds = 0;
    int64_t micros = 0;
    size_t count = 0;
    if (!Digits(p, 0, &seconds, &count) || !Expect(p, ".") || !Digits(p, 6, &micros, &count) ||
        count != 6) {
        return false;
    }
    *us = seconds * 1000000 + micros;
    return true;
}
}  // namespace

bool ParseTranscriptLine(const std::string& line, TranscriptEntry* entry) {
    const char* p = line.c_str();
    static const char* const DIRECTIONS[] = {"RXJUNK ", "TXJUNK ", "RX ", "TX "};
    std::string direction;
    for (const char* d : DIRECTIONS) {
        if (Expect(&p, d)) {
            direction.assign(d, std::strlen(d) - 1);
            break;
        }
    }
    int64_t first = 0;
    int64_t last = 0;
    int64_t n = 0;
    size_t count = 0;
    if (direction.empty() || !Expect(&p, "first=") || !Time(&p, &first) || !Expect(&p, " last=") ||
        !Time(&p, &last) || !Expect(&p, " raw=") || !Digits(&p, 0, &n, &count) ||
        !Expect(&p, " ")) {
        return false;
    }
    const char* end = line.c_str() + line.size();
    if (end - p != 2 * n) {
        return false;
    }
    std::vector<uint8_t> raw;
    for (; p < end; p += 2) {
        int high = HexValue(p[0]);
        int low = HexValue(p[1]);
        if (high < 0 || low < 0) {
            return false;
        }
        raw.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    entry->direction = direction;
    entry->firstUs = first;
    entry->lastUs = last;
    entry->raw = std::move(raw);
    return true;
}

std::vector<TranscriptEntry> ReadTranscript(const std::string& path, int* badLines) {
    std::vector<TranscriptEntry> entries;
    std::ifstream file(path);
    std::string line;
    int bad = 0;
    while (std::getline(file, line)) {
        TranscriptEntry entry;
        if (ParseTranscriptLine(line, &entry)) {
            entries.push_back(std::move(entry));
        } else {
            ++bad;
        }
    }
    if (badLines != nullptr) {
        *badLines = bad;
    }
    return entries;
}

}  // namespace testsupport
