#include <algorithm>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

using namespace enginetest;
using namespace testsupport;

// The control log against a server that words its replies to mislead a log
// that frames replies by rules of its own.

namespace {

class ControlLogServerTest : public WorkerTest
{};

TEST_F(ControlLogServerTest, ACraftedMultiLineFeatReplyHidesNoLaterReply)
{
    // "211" alone is no last line, and "999-hidden" is an inner line, not the
    // start of a reply that only "999 " would end.
    server.addOverride(
        {.command = "FEAT", .raw = "211-Features:\r\n211\r\n999-hidden\r\n UTF8\r\n SIZE\r\n211 End\r\n"});
    server.addOverride({.command = "SITE", .code = 200, .text = "still here"});
    logIn();
    worker->SiteChmod(QStringLiteral("a"), QStringLiteral("644"));
    worker->SiteChmod(QStringLiteral("b"), QStringLiteral("600"));
    ASSERT_TRUE(waitUntil([&] {
        return std::count(recorder.log.begin(), recorder.log.end(), "Reply> 200 still here") == 2;
    })) << recorder.logText();
    const std::string log = recorder.logText();
    EXPECT_NE(log.find("Reply> 211-Features:\r\n211\r\n999-hidden\r\n UTF8\r\n SIZE\r\n211 End\n"),
              std::string::npos)
        << log;
    // Every reply the server sent after FEAT is an entry of its own.
    EXPECT_TRUE(recorder.logHas("Reply> 257")) << log;
    EXPECT_EQ(
        std::count_if(recorder.log.begin(), recorder.log.end(),
                      [](const std::string& l) { return l.rfind("Reply> ", 0) == 0 && l.size() > 200; }),
        0)
        << "replies were swallowed into one entry:\n"
        << log;
}

} // namespace
