// Start-up and ending of a tool: the port argument, the opening, the banners.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "console_texts.h"
#include "scripted_platform.h"
#include "tool_run.h"

namespace {
using Events = std::vector<std::string>;

TEST(PortArgument, ConvertsLikeAtoiButClamps) {
    struct Case {
        const char* text;
        int port;
    } cases[] = {
        {"3", 3},          {" 5x", 5},           {"\t\n 7", 7},       {"+12", 12},
        {"-2", -2},        {"abc", 0},           {"COM3", 0},         {"", 0},
        {"- 3", 0},        {"2147483647", INT_MAX}, {"2147483648", INT_MAX},
        {"99999999999999999999999", INT_MAX},    {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},      {"0003", 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParsePortArgument(c.text), c.port) << '"' << c.text << '"';
    }
}

TEST(PortArgument, OnlyASingleArgumentNamesThePort) {
    char tool[] = "glyphload2", three[] = "3", four[] = "4";
    char* none[] = {tool, nullptr};
    char* one[] = {tool, three, nullptr};
    char* two[] = {tool, three, four, nullptr};
    EXPECT_EQ(PortNumberFromArguments(1, none), 1);
    EXPECT_EQ(PortNumberFromArguments(2, one), 3);
    EXPECT_EQ(PortNumberFromArguments(3, two), 1);
}

TEST(StartRun, APortThatDoesNotOpenEndsSilently) {
    struct Case {
        std::vector<std::string> arguments;
        OpenStep failing;
        bool started;
        Events events;
    } cases[] = {
        {{"abc"}, OpenStep::None, false, {"box COM0|CommPort < 1 (???)"}},
        {{"99999999999"}, OpenStep::Open, false, {"open", "box COM2147483647|CreateFile Error"}},
        {{"3", "4"}, OpenStep::None, true, {"open", "queues 2048", "line", "timeouts", "mask", "purge"}},
    };
    for (const Case& c : cases) {
        ResetScript();
        Script.failingStep = c.failing;
        std::vector<char*> argv{const_cast<char*>("tool")};
        for (const auto& a : c.arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        EXPECT_EQ(StartRun(static_cast<int>(argv.size()), argv.data()), c.started);
        EXPECT_EQ(Script.events, c.events);
        EXPECT_EQ(Script.console, "") << "no console output before the transfer";
    }
    EXPECT_EQ(Script.openedPort, 1);  // two arguments: port 1
}

TEST(FinishRun, BannerPromptKeyAndStatus) {
    ResetScript();
    EXPECT_EQ(FinishRun(false, "***** OK *****\n"), 1);
    EXPECT_EQ(Script.console,
              "\x2A\x2A\x2A\x2A\x2A\x20\x83\x47\x83\x89\x81\x5B\x82\xC5\x82\xB7\x20\x2A\x2A\x2A\x2A\x2A\x0A"
              "***** Press any key *****\n");
    EXPECT_EQ(Script.events, Events{"key"});

    ResetScript();
    EXPECT_EQ(FinishRun(true, "***** OK *****\n"), 0);
    EXPECT_EQ(Script.console, "***** OK *****\n***** Press any key *****\n");
    EXPECT_EQ(Script.events, Events{"key"});
}

TEST(ConsoleTexts, SharedTextsAreTheirShiftJisBytes) {
    EXPECT_EQ(sizeof MSG_FAILURE_BANNER - 1, 23u);
    EXPECT_EQ(std::string(MSG_CRC_ERROR),
              "CRC ERROR(\x83\x70\x83\x5c\x83\x52\x83\x93\x91\xa4\x82\xc5\x8c\x9f\x8f\x6f)\n");
    EXPECT_EQ(std::string(MSG_BLOCK_NO_ERROR),
              "BLOCK NO. ERROR(\x83\x70\x83\x5c\x83\x52\x83\x93\x91\xa4\x82\xc5\x8c\x9f\x8f\x6f)\n");
    EXPECT_EQ(std::string(MSG_PRESS_ANY_KEY), "***** Press any key *****\n");
}
}  // namespace
