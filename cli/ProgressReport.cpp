#include "cli/ProgressReport.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <QString>

#include <cstdio>

namespace larkspire {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(250);

std::string Utf8(const std::u16string& text) { return QString::fromStdU16String(text).toStdString(); }

double SecondsSince(const RunProgress& progress, std::chrono::steady_clock::time_point now)
{
    if (progress.startedAt == std::chrono::steady_clock::time_point{}) return 0.0;
    return std::chrono::duration<double>(now - progress.startedAt).count();
}

std::string Fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Rate(int done, double seconds) { return Fixed(seconds > 0 ? done / seconds : 0.0, 1); }

std::string Counts(const StatusTally& tally, const char* separator)
{
    std::string text;
    for (const auto& [status, count] : tally.Counts()) {
        if (!text.empty()) text += separator;
        text += Utf8(status) + " " + std::to_string(count);
    }
    return text;
}

int TerminalColumns()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

}  // namespace

std::string ProgressLine(const RunProgress& progress, int rowCount, std::chrono::steady_clock::time_point now)
{
    const int done = progress.finished.Total();
    std::string line = std::to_string(done) + "/" + std::to_string(rowCount) + " URLs  ";
    if (!progress.lastStarted.empty()) line += "Processed " + Utf8(progress.lastStarted) + "  ";
    line += Rate(done, SecondsSince(progress, now)) + "/s  " + Utf8(progress.elapsed);
    const std::string counts = Counts(progress.finished, "  ");
    if (!counts.empty()) line += "  " + counts;
    return line;
}

std::string SummaryLine(const RunProgress& progress, int rowCount, std::chrono::steady_clock::time_point now)
{
    const int done = progress.finished.Total();
    const double seconds = SecondsSince(progress, now);
    std::string line =
        Utf8(progress.endMessage) + ": " + std::to_string(done) + " of " + std::to_string(rowCount) + " URLs checked";
    if (done < rowCount) line += ", " + std::to_string(rowCount - done) + " not checked";
    line += ", in " + Fixed(seconds, 2) + " s (" + Rate(done, seconds) + " URLs/s)";
    const std::string counts = Counts(progress.finished, ", ");
    if (!counts.empty()) line += "; " + counts;
    return line;
}

ProgressDisplay::ProgressDisplay() : enabled_(isatty(STDERR_FILENO) == 1) {}

void ProgressDisplay::ShowLoading(const std::string& step)
{
    if (!enabled_) return;
    std::string line = step;
    const auto width = static_cast<std::size_t>(TerminalColumns() - 1);
    if (line.size() > width) line.resize(width);
    std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressDisplay::Update(const RunProgress& progress, int rowCount)
{
    const auto now = std::chrono::steady_clock::now();
    if (!enabled_ || !progress.running || (drawn_ && now - lastDrawn_ < kRedrawInterval)) return;
    std::string line = ProgressLine(progress, rowCount, now);
    const auto width = static_cast<std::size_t>(TerminalColumns() - 1);
    if (line.size() > width) line.resize(width);
    std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
    std::fflush(stderr);
    lastDrawn_ = now;
    drawn_ = true;
}

void ProgressDisplay::Finish()
{
    if (!drawn_) return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace larkspire
