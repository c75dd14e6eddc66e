#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "core/TMainConfig.h"
#include "engine/ConnectionTimeouts.h"

using namespace std::chrono_literals;

namespace {

struct TimeoutCase
{
    const char* name;
    int connect; // as stored
    int reply;
    std::chrono::milliseconds expectedConnect;
    std::chrono::milliseconds expectedReply;
};

class ConnectionTimeoutsTest : public ::testing::TestWithParam<TimeoutCase>
{
protected:
    TempDataDir data;
};

TEST_P(ConnectionTimeoutsTest, TheSettingsGiveTheTimeOutsAndNonsenseTheDefaults)
{
    TMainConfig::createGlobal();
    MainConfig()->SetConnectTimeout(GetParam().connect);
    MainConfig()->SetReplyTimeout(GetParam().reply);
    const TConnectionTimeouts timeouts = ConfiguredConnectionTimeouts();
    TMainConfig::destroyGlobal();
    EXPECT_EQ(timeouts.connect, GetParam().expectedConnect);
    EXPECT_EQ(timeouts.reply, GetParam().expectedReply);
}

INSTANTIATE_TEST_SUITE_P(Settings, ConnectionTimeoutsTest,
                         ::testing::Values(TimeoutCase{"AsSet", 5, 90, 5s, 90s},
                                           TimeoutCase{"Zero", 0, 0, 30s, 60s},
                                           TimeoutCase{"Negative", -1, -60, 30s, 60s},
                                           TimeoutCase{"MoreThanADay", 1000000, 86401, 86400s, 86400s}),
                         [](const ::testing::TestParamInfo<TimeoutCase>& info) { return info.param.name; });

TEST(ConnectionTimeouts, WithoutSettingsTheDefaults)
{
    ASSERT_EQ(MainConfig(), nullptr);
    const TConnectionTimeouts timeouts = ConfiguredConnectionTimeouts();
    EXPECT_EQ(timeouts.connect, 30s);
    EXPECT_EQ(timeouts.reply, 60s);
}

} // namespace
