#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/UrlChecker.h"
#include "run/RowTask.h"
#include "tests/run/RunHarness.h"
#include "tests/support/LoopbackServer.h"

namespace larkspire {
namespace {

// Runs with the program's own checker against a loopback server that answers by path.
TEST(HttpRunTest, TheProgramsCheckerGivesEachRowItsStatus)
{
    test::LoopbackServer server{test::AnswerByPath{}};
    test::RunHarness run({server.Url(u"/200"), server.Url(u"/404"), server.Url(u"/stall"), server.Url(u"/301"),
                          server.Url(u"/reset"), server.Url(u"/503")},
                         u"3");
    run.options.checker = CheckUrlStatus;
    run.window->OnGui([&] { run.window->TimeoutSeconds() = 1; });
    ASSERT_TRUE(run.RunToEnd());
    EXPECT_EQ(run.window->Statuses(), (std::vector<std::u16string>{u"Completed", u"Error 404", u"Timeout", u"Completed",
                                                                   u"Aborted", u"Error 503"}));
    EXPECT_EQ(run.window->Messages(), std::vector<std::u16string>{u"Ping terminated"});
    EXPECT_EQ(run.window->Faults(), 0);
    EXPECT_EQ(RowTasksAlive(), 0u);
}

TEST(HttpRunTest, AnAbortDuringAStalledCheckLetsItTimeOutAndSkipsTheRest)
{
    test::LoopbackServer server{test::AnswerByPath{}};
    std::vector<std::u16string> urls{server.Url(u"/stall")};
    urls.resize(20, server.Url(u"/200"));
    test::RunHarness run(urls, u"1");
    run.options.checker = CheckUrlStatus;
    run.window->OnGui([&] { run.window->TimeoutSeconds() = 1; });
    run.Start();
    ASSERT_TRUE(server.WaitForRequests(1, std::chrono::seconds(30)));
    run.window->OnGui([&] { run.window->AbortFlag() = true; });
    ASSERT_TRUE(run.WaitForEnd());
    std::vector<std::u16string> expected{u"Timeout"};
    expected.resize(20);
    EXPECT_EQ(run.window->Statuses(), expected);
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(run.window->Messages(), std::vector<std::u16string>{u"Ping aborted"});
}

}  // namespace
}  // namespace larkspire
