// OpenCommPort's steps over a scripted platform: what is shown, what is closed.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "comm_port.h"
#include "scripted_platform.h"

namespace {
using Events = std::vector<std::string>;

struct OpenCase {
    const char* name;
    int port;
    OpenStep failing;
    int result;
    Events events;
};

class OpenCommPortTest : public testing::TestWithParam<OpenCase> {};

const Events CONFIGURE = {"open", "queues 2048", "line", "timeouts", "mask", "purge"};

TEST_P(OpenCommPortTest, StepsAndMessage) {
    const OpenCase& c = GetParam();
    ResetScript();
    Script.failingStep = c.failing;
    EXPECT_EQ(OpenCommPort(c.port), c.result);
    EXPECT_EQ(Script.events, c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, OpenCommPortTest,
    testing::Values(
        OpenCase{"Opens", 3, OpenStep::None, 1, CONFIGURE},
        OpenCase{"PortZero", 0, OpenStep::None, 0, {"box COM0|CommPort < 1 (???)"}},
        OpenCase{"PortMinus5", -5, OpenStep::None, 0, {"box COM-5|CommPort < 1 (???)"}},
        OpenCase{"OpenFails", 3, OpenStep::Open, 0, {"open", "box COM3|CreateFile Error"}},
        OpenCase{"QueuesFail", 12, OpenStep::SizeQueues, 0,
                 {"open", "queues 2048", "close", "box COM12|SetupComm Error"}},
        OpenCase{"LineFails", 3, OpenStep::SetLine, 0,
                 {"open", "queues 2048", "line", "close", "box COM3|SetCommState Error"}},
        OpenCase{"TimeoutsFail", 3, OpenStep::SetTimeouts, 0,
                 {"open", "queues 2048", "line", "timeouts", "close", "box COM3|SetCommTimeouts Error"}},
        OpenCase{"MaskFails", 3, OpenStep::SetEventMask, 0,
                 {"open", "queues 2048", "line", "timeouts", "mask", "close", "box COM3|SetCommMask Error"}},
        // A failed purge is not examined.
        OpenCase{"PurgeFails", 3, OpenStep::Purge, 1, CONFIGURE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenCommPort, BelowOneShowsTheNotConnectedText) {
    ResetScript();
    EXPECT_EQ(OpenCommPort(-2), 0);
    EXPECT_EQ(Script.boxCaption, u"COM-2");
    EXPECT_EQ(Script.boxText, u"CommPort < 1 (未接続)");
    EXPECT_EQ(Script.openedPort, 0);  // no port call was made
}

TEST(PortName, FitsEveryPortNumber) {
    char16_t name[PORT_NAME_LENGTH];
    FormatPortName(INT_MIN, name);
    EXPECT_EQ(std::u16string(name), u"COM-2147483648");
    FormatPortName(12, name);
    EXPECT_EQ(std::u16string(name), u"COM12");
}
}  // namespace
