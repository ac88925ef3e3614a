// The test binary's main: one Wine prefix for all its tests.
#include <signal.h>

#include <gtest/gtest.h>

#include "wine_prefix.h"

namespace {
class WineEnvironment : public ::testing::Environment {
public:
    void SetUp() override { winetest::MakePrefix(); }
    void TearDown() override { winetest::RemovePrefix(); }
};
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    signal(SIGPIPE, SIG_IGN);  // a tool that ended must not end the test binary
    ::testing::AddGlobalTestEnvironment(new WineEnvironment);
    return RUN_ALL_TESTS();
}
