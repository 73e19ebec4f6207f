#include <gtest/gtest.h>

#include <thread>

#include "http/UrlChecker.h"
#include "tests/support/LoopbackServer.h"

namespace larkspire {
namespace {

using test::AnswerByPath;
using test::LoopbackServer;
using test::ServerSecurity;

struct PathCase {
    std::u16string Path;
    std::u16string Status;
};

const std::vector<PathCase> Paths = {{u"/200", u"Completed"}, {u"/404", u"Error 404"}, {u"/301", u"Completed"},
                                     {u"/503", u"Error 503"}, {u"/reset", u"Aborted"}, {u"/204", u"Completed"}};

// Many checks at once, as a run's workers make them: each its own UrlChecker on its own thread, plain and
// TLS mixed, one stalled check per thread. Run under ThreadSanitizer too.
TEST(UrlCheckerLoadTest, SixteenThreadsCheckAtOnce)
{
    constexpr int Threads = 16;
    constexpr int ChecksPerThread = 24;
    LoopbackServer plain(AnswerByPath{});
    LoopbackServer secure(AnswerByPath{}, ServerSecurity::Tls12Only);

    std::vector<std::vector<std::string>> mismatches(Threads);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < Threads; ++thread) {
        threads.emplace_back([&, thread] {
            for (int check = 0; check < ChecksPerThread; ++check) {
                const bool stall = check == thread % ChecksPerThread;
                const PathCase& target = Paths[(thread + check) % Paths.size()];
                const LoopbackServer& server = check % 3 == 0 ? secure : plain;
                const std::u16string url = server.Url(stall ? u"/stall" : target.Path);
                std::u16string status;
                UrlChecker(stall ? 1 : 10, false).GetPage(url, status);
                const std::u16string& expected = stall ? u"Timeout" : target.Status;
                if (status != expected) {
                    mismatches[thread].push_back(std::string(url.begin(), url.end()) + " gave " +
                                                 std::string(status.begin(), status.end()));
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    for (const std::vector<std::string>& found : mismatches) {
        for (const std::string& mismatch : found) ADD_FAILURE() << mismatch;
    }
    EXPECT_GE(plain.Requests().size() + secure.Requests().size(), std::size_t{Threads * ChecksPerThread});
}

}  // namespace
}  // namespace larkspire
