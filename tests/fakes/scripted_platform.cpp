#include "scripted_platform.h"

#include <cstdio>
#include <cstring>

#include "platform.h"

ScriptedPlatform Script;

void ResetScript() {
    Script = ScriptedPlatform{};
}

std::vector<uint8_t> Hex(const std::string& text) {
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : text) {
        if (c != ' ' && c != '\n' && c != '\t') {
            digits += c;
        }
    }
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string ToHex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char two[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(two, sizeof two, i ? " %02x" : "%02x", bytes[i]);
        text += two;
    }
    return text;
}

std::vector<uint8_t> AllWritten() {
    std::vector<uint8_t> all;
    for (const auto& w : Script.writes) {
        all.insert(all.end(), w.begin(), w.end());
    }
    return all;
}

namespace {
bool Step(OpenStep step, const char* name) {
    Script.events.push_back(name);
    return Script.failingStep != step;
}

std::string Narrow(const char16_t* text) {
    std::string s;
    for (; *text; ++text) {
        s += *text < 0x80 ? static_cast<char>(*text) : '?';
    }
    return s;
}
}  // namespace

void PlatformStartup() {}

bool PlatformOpenPort(int portNumber) {
    Script.openedPort = portNumber;
    return Step(OpenStep::Open, "open");
}
bool PlatformSizeQueues(int in, int out) {
    return Step(OpenStep::SizeQueues, in == 2048 && out == 2048 ? "queues 2048" : "queues other");
}
bool PlatformSetLine() { return Step(OpenStep::SetLine, "line"); }
bool PlatformSetTimeouts() { return Step(OpenStep::SetTimeouts, "timeouts"); }
bool PlatformSetEventMask() { return Step(OpenStep::SetEventMask, "mask"); }
bool PlatformPurgeInput() { return Step(OpenStep::Purge, "purge"); }
void PlatformClosePort() { Script.events.push_back("close"); }

int PlatformBytesWaiting() {
    if (Script.input.empty()) {
        throw InputExhausted{};
    }
    int waiting = static_cast<int>(Script.input.front().size());
    if (waiting == 0) {
        Script.input.pop_front();  // an empty entry is one poll that found nothing
    }
    return waiting;
}

int PlatformReadPort(uint8_t* buffer, int count) {
    if (Script.input.empty()) {
        throw InputExhausted{};
    }
    if (count > Script.largestRead) {
        Script.largestRead = count;
    }
    auto& chunk = Script.input.front();
    int taken = count < static_cast<int>(chunk.size()) ? count : static_cast<int>(chunk.size());
    std::memcpy(buffer, chunk.data(), static_cast<size_t>(taken));
    chunk.erase(chunk.begin(), chunk.begin() + taken);
    if (chunk.empty()) {
        Script.input.pop_front();
    }
    return taken;
}

int PlatformWritePort(const uint8_t* bytes, int count) {
    Script.writes.emplace_back(bytes, bytes + count);
    return count;
}

void PlatformShowError(const char16_t* caption, const char16_t* text) {
    // Non-ASCII shows as '?' in the event; boxText keeps the exact text.
    Script.events.push_back("box " + Narrow(caption) + "|" + Narrow(text));
    Script.boxCaption = caption;
    Script.boxText = text;
}

void PlatformWaitKey() { Script.events.push_back("key"); }

void PlatformConsoleWrite(const char* text, int length) {
    Script.console.append(text, static_cast<size_t>(length));
}
