#include "run/ElapsedTimeTicker.h"

#include <cstdint>
#include <ctime>
#include <thread>
#include <utility>

namespace larkspire {

namespace {

constexpr auto kTickInterval = std::chrono::milliseconds(250);

void AppendTwoDigits(std::u16string& text, std::uint64_t value)
{
    text += static_cast<char16_t>(u'0' + value / 10);
    text += static_cast<char16_t>(u'0' + value % 10);
}

}  // namespace

std::chrono::milliseconds LocalWallTimeNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    return std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) +
           std::chrono::seconds(local.tm_gmtoff);
}

std::u16string FormatElapsed(std::chrono::milliseconds elapsed)
{
    const std::int64_t ms = elapsed.count();
    const std::uint64_t size = ms < 0 ? 0 - static_cast<std::uint64_t>(ms) : static_cast<std::uint64_t>(ms);
    const std::uint64_t secondsOfDay = size / 1000 % (24 * 60 * 60);
    std::u16string text;
    AppendTwoDigits(text, secondsOfDay / 3600);
    text += u':';
    AppendTwoDigits(text, secondsOfDay / 60 % 60);
    text += u':';
    AppendTwoDigits(text, secondsOfDay % 60);
    return text;
}

std::shared_ptr<ElapsedTimeTicker> ElapsedTimeTicker::Create(std::shared_ptr<RunContext> context, WallClock clock,
                                                             const ThreadStarter& startThread)
{
    try {
        std::shared_ptr<ElapsedTimeTicker> ticker(new ElapsedTimeTicker(std::move(context), std::move(clock)));
        if (startThread([ticker] { ticker->Execute(); })) return ticker;
    } catch (...) {
        // No memory for the ticker: the run goes on without one, as when the platform refuses its thread.
    }
    return nullptr;
}

ElapsedTimeTicker::ElapsedTimeTicker(std::shared_ptr<RunContext> context, WallClock clock)
    : context_(std::move(context)), clock_(std::move(clock))
{}

void ElapsedTimeTicker::Terminate() { terminated_ = true; }

void ElapsedTimeTicker::Execute()
{
    NameThisThread("PingTicker");
    try {
        startTime_ = clock_();
        while (!terminated_) {
            if (!context_->HandOver([this] { ShowElapsed(); })) return;
            std::this_thread::sleep_for(kTickInterval);
        }
    } catch (...) {
        // A clock or label that fails ends the ticker only; the run does not depend on it.
    }
}

void ElapsedTimeTicker::ShowElapsed() { context_->window->SetElapsedText(FormatElapsed(clock_() - startTime_)); }

}  // namespace larkspire
