#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "http/UrlChecker.h"
#include "tests/support/LoopbackServer.h"

namespace larkspire {
namespace {

// The program exits without waiting for checks under way. OpenSSL must then not tear its state down
// under the TLS connections still running on other threads.
[[noreturn]] void ExitWhileTlsChecksRun()
{
    test::LoopbackServer server(test::AnswerByPath{}, test::ServerSecurity::Tls12Only);
    for (int thread = 0; thread < 4; ++thread) {
        std::thread([&server] {
            for (;;) {
                std::u16string status;
                UrlChecker(5, false).GetPage(server.Url(u"/200"), status);
            }
        }).detach();
    }
    // Exit once the checks are really running (the server has had several, more are on their way), not after a
    // guessed delay that a slow machine may not fill; exit code 3 fails the test if they never get going.
    std::exit(server.WaitForRequests(8, std::chrono::seconds(60)) ? 0 : 3);
}

TEST(ProcessExitTest, ExitDuringTlsChecksEndsCleanly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child leaves its threads running on purpose; under ThreadSanitizer that is no leak to report.
    const char* options = std::getenv("TSAN_OPTIONS");
    setenv("TSAN_OPTIONS", (std::string(options ? options : "") + " report_thread_leaks=0").c_str(), 1);
    EXPECT_EXIT(ExitWhileTlsChecksRun(), testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace larkspire
