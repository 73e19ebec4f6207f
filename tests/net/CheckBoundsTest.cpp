#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>

#include "net/CheckBudget.h"
#include "net/Connection.h"
#include "net/NetworkErrors.h"
#include "net/TcpConnect.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TableResolver.h"
#include "tests/support/TestCheckClock.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;
using test::LoopbackServer;
using test::Reply;
using test::ServerAddress;

constexpr char Request[] = "GET / HTTP/1.1\r\n\r\n";

bool HasIpv6Loopback()
{
    try {
        LoopbackServer probe(std::vector<test::ConnectionScript>{}, test::ServerSecurity::Plain, ServerAddress::Ipv6);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

// A name whose first address refuses (nothing listens on ::1 at that port) is reached at its second; an
// IPv6-only name is reached at its only address.
TEST(ConnectTcpTest, TriesEachAddressOfANameInTurn)
{
    if (!HasIpv6Loopback()) GTEST_SKIP() << "no IPv6 loopback on this machine";
    LoopbackServer v4(std::vector<test::ConnectionScript>(1));
    LoopbackServer v6(std::vector<test::ConnectionScript>(1), test::ServerSecurity::Plain, ServerAddress::Ipv6);
    const test::TableResolver resolver({{"dual.test", {"::1", "127.0.0.1"}}, {"six.test", {"::1"}}});
    EXPECT_TRUE(ConnectTcp("dual.test", v4.Port(), 2000, CheckBudget(), resolver).IsOpen());
    EXPECT_TRUE(ConnectTcp("six.test", v6.Port(), 2000, CheckBudget(), resolver).IsOpen());
    EXPECT_EQ(resolver.Asked(), (std::vector<std::string>{"dual.test", "six.test"}));
}

TEST(ConnectTcpTest, EveryAddressRefusingIsTheLastRefusal)
{
    test::RefusedPort refused;
    const test::TableResolver resolver({{"two.test", {"127.0.0.1", "127.0.0.1"}}});
    try {
        ConnectTcp("two.test", refused.Port(), 2000, CheckBudget(), resolver);
        FAIL() << "connected to a refusing port";
    } catch (const TransportError& error) {
        EXPECT_STREQ(error.what(), "connection refused");
    }
}

// A server that never reads makes a large write block: the read time-out bounds it like a read.
TEST(ConnectionTest, WriteThatTheServerNeverTakesTimesOut)
{
    test::NonReadingPeer peer;
    Connection connection(ConnectTcp("127.0.0.1", peer.Port(), 2000));
    connection.SetReadTimeout(300);
    const std::string huge(64 * 1024 * 1024, 'x');
    try {
        connection.Write(huge);
        FAIL() << "the whole write went through";
    } catch (const ReadTimeoutError& error) {
        EXPECT_STREQ(error.what(), "server took no data for 300 ms");
    }
}

enum class Expected { TimeLimit, Cut };

struct BudgetCase {
    const char* Name;
    std::function<CheckBudget(const std::atomic<bool>&, const CheckClock&)> Budget;
    Expected Error;
    const char* Reason;
};

void PrintTo(const BudgetCase& param, std::ostream* out) { *out << param.Name; }

class CheckBudgetTest : public testing::TestWithParam<BudgetCase> {};

// The read ended with the error and reason the case expects.
void ExpectThrown(const test::ClockedWait& read, const BudgetCase& param)
{
    try {
        read.Rethrow();
        FAIL() << "read returned";
    } catch (const CheckTimeLimitError& error) {
        EXPECT_EQ(param.Error, Expected::TimeLimit);
        EXPECT_STREQ(error.what(), param.Reason);
    } catch (const CheckCutError& error) {
        EXPECT_EQ(param.Error, Expected::Cut);
        EXPECT_STREQ(error.what(), param.Reason);
    }
}

// A read whose own time-out is far off still ends when the whole check must: at its time limit, or once the
// grace time after Abort has passed. Both are measured from the connect, on the test's clock.
TEST_P(CheckBudgetTest, EndsAWaitThatItsOwnTimeOutWouldNot)
{
    LoopbackServer server({{Reply::NeverAnswer()}});
    const std::atomic<bool> abortRequested{true};
    test::TestCheckClock clock;
    const CheckBudget budget = GetParam().Budget(abortRequested, clock);
    Connection connection(ConnectTcp("127.0.0.1", server.Port(), 2000, budget));
    connection.SetReadTimeout(60000);
    connection.SetBudget(budget);
    connection.Write(Request);
    char buffer[16];
    test::ClockedWait read(clock, [&] { connection.Read(buffer, sizeof buffer); });
    EXPECT_TRUE(read.EndsAt(400ms));
    ExpectThrown(read, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Limits, CheckBudgetTest,
                         testing::Values(BudgetCase{"WholeCheckLimit",
                                                    [](const std::atomic<bool>&, const CheckClock& clock) {
                                                        return CheckBudget(400ms, 0ms, nullptr, &clock);
                                                    },
                                                    Expected::TimeLimit, "check took longer than 400 ms"},
                                         BudgetCase{"GraceAfterAbort",
                                                    [](const std::atomic<bool>& abort, const CheckClock& clock) {
                                                        return CheckBudget(std::nullopt, 400ms, &abort, &clock);
                                                    },
                                                    Expected::Cut, "cut by Abort"}),
                         [](const testing::TestParamInfo<BudgetCase>& info) { return std::string(info.param.Name); });

// The abort is looked at while a wait is under way, not only before it: the grace time runs from the time
// on the clock when the waiting read sees the abort.
TEST(CheckBudgetTest, AbortDuringAWaitCutsItAfterTheGraceTime)
{
    LoopbackServer server({{Reply::NeverAnswer()}});
    std::atomic<bool> abortRequested{false};
    test::TestCheckClock clock;
    const CheckBudget budget(std::nullopt, 300ms, &abortRequested, &clock);
    Connection connection(ConnectTcp("127.0.0.1", server.Port(), 2000, budget));
    connection.SetReadTimeout(60000);
    connection.SetBudget(budget);
    connection.Write(Request);
    char buffer[16];
    test::ClockedWait read(clock, [&] { connection.Read(buffer, sizeof buffer); });
    // Inside its wait: the read has begun polling.
    ASSERT_TRUE(read.LetItLook(4));
    abortRequested = true;
    // Within four looks it has looked at the abort flag too, with the clock still at 0.
    ASSERT_TRUE(read.LetItLook(4));
    EXPECT_TRUE(read.EndsAt(300ms));
    EXPECT_THROW(read.Rethrow(), CheckCutError);
}

// The system's name lookup waits through the budget too, so a check past its grace time is not held by it.
TEST(CheckBudgetTest, NameLookupEndsWhenTheCheckMust)
{
    const std::atomic<bool> abortRequested{true};
    const CheckBudget cut(std::nullopt, 0ms, &abortRequested);
    EXPECT_THROW(SystemNameResolver().Resolve("localhost", cut), CheckCutError);
    EXPECT_FALSE(SystemNameResolver().Resolve("localhost", CheckBudget()).empty());
}

TEST(CheckBudgetTest, WithoutAbortOrLimitAWaitIsOnlyItsOwn)
{
    LoopbackServer server({{Reply::NeverAnswer()}});
    const CheckBudget budget;
    Connection connection(ConnectTcp("127.0.0.1", server.Port(), 2000, budget));
    connection.SetReadTimeout(300);
    connection.SetBudget(budget);
    connection.Write(Request);
    char buffer[16];
    EXPECT_THROW(connection.Read(buffer, sizeof buffer), ReadTimeoutError);
}

}  // namespace
}  // namespace larkspire
