#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "run/ElapsedTimeTicker.h"
#include "tests/run/FakeRunWindow.h"
#include "tests/run/ThreadTracker.h"
#include "tests/run/WaitUntil.h"

namespace larkspire {
namespace {

using namespace std::chrono_literals;
using std::chrono::hours;
using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::seconds;

struct ElapsedCase {
    const char* name;
    milliseconds elapsed;
    std::u16string shown;
};

void PrintTo(const ElapsedCase& param, std::ostream* out)
{
    *out << param.name << " (" << param.elapsed.count() << " ms)";
}

class FormatElapsedTest : public ::testing::TestWithParam<ElapsedCase> {};

TEST_P(FormatElapsedTest, ShowsHoursOfTheDayMinutesAndWholeSeconds)
{
    EXPECT_EQ(FormatElapsed(GetParam().elapsed), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Times, FormatElapsedTest,
    ::testing::Values(ElapsedCase{"Zero", 0ms, u"00:00:00"}, ElapsedCase{"UnderASecond", 999ms, u"00:00:00"},
                      ElapsedCase{"UnderAMinute", 59999ms, u"00:00:59"},
                      ElapsedCase{"HoursMinutesSeconds", hours(1) + minutes(2) + seconds(3), u"01:02:03"},
                      ElapsedCase{"LastSecondOfADay", hours(23) + minutes(59) + seconds(59), u"23:59:59"},
                      ElapsedCase{"OneDay", hours(24), u"00:00:00"},
                      ElapsedCase{"DayAndAnHour", hours(25), u"01:00:00"},
                      ElapsedCase{"ManyDays", hours(24 * 400) + minutes(7), u"00:07:00"},
                      ElapsedCase{"Negative", -hours(1) - seconds(5), u"01:00:05"}),
    [](const ::testing::TestParamInfo<ElapsedCase>& info) { return std::string(info.param.name); });

TEST(LocalWallTimeTest, FollowsTheSystemClockWithinTheLocalOffset)
{
    const auto utc = std::chrono::duration_cast<milliseconds>(std::chrono::system_clock::now().time_since_epoch());
    const auto local = LocalWallTimeNow();
    EXPECT_LE(std::chrono::abs(local - utc), hours(15)) << "no time zone is further than 14 hours from UTC";
}

// A ticker against a fake window, with a clock the test sets.
class ElapsedTimeTickerTest : public ::testing::Test {
protected:
    // The label shows something no ticker writes, so its first update can be seen.
    std::shared_ptr<ElapsedTimeTicker> StartTicker()
    {
        window->OnGui([&] { window->SetElapsedText(u"12:34:56"); });
        auto context = std::make_shared<RunContext>(window, nullptr);
        return ElapsedTimeTicker::Create(
            context, [this] { return milliseconds(now.load()); }, threads.Starter());
    }
    bool Shows(const std::u16string& text)
    {
        return test::WaitUntil([&] { return window->ElapsedText() == text; });
    }

    std::shared_ptr<test::FakeRunWindow> window = std::make_shared<test::FakeRunWindow>(0, u"1");
    std::atomic<long long> now{1'000'000'000};
    test::ThreadTracker threads;
};

TEST_F(ElapsedTimeTickerTest, ShowsTheTimeSinceItsThreadBeganUntilTerminated)
{
    const auto ticker = StartTicker();
    ASSERT_NE(ticker, nullptr);
    ASSERT_TRUE(Shows(u"00:00:00")) << "the first update comes at once";
    now += milliseconds(hours(1) + minutes(2) + seconds(3)).count();
    ASSERT_TRUE(Shows(u"01:02:03"));
    now += milliseconds(hours(24)).count() - milliseconds(minutes(2) + seconds(3)).count();
    ASSERT_TRUE(Shows(u"01:00:00")) << "25 hours show as the hours of the day";

    ticker->Terminate();
    ASSERT_TRUE(threads.WaitAllEnded());
    now += milliseconds(seconds(5)).count();
    // Nothing to wait for: the sleep only gives a stray update, already posted to the window, time to land.
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(window->ElapsedText(), u"01:00:00") << "no update after the ticker ended";
    EXPECT_EQ(window->Faults(), 0);
}

TEST_F(ElapsedTimeTickerTest, EndsByItselfWhenTheWindowIsGone)
{
    const auto ticker = StartTicker();
    ASSERT_TRUE(Shows(u"00:00:00"));
    window->Close();
    EXPECT_TRUE(threads.WaitAllEnded()) << "no Terminate was asked";
    EXPECT_EQ(window->Faults(), 0);
}

TEST_F(ElapsedTimeTickerTest, ARefusedTickerIsNone)
{
    threads.Refuse({0});
    EXPECT_EQ(StartTicker(), nullptr);
    EXPECT_EQ(window.use_count(), 1) << "nothing holds the window";
}

}  // namespace
}  // namespace larkspire
