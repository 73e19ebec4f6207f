#include "http/RetryAfter.h"

#include <array>
#include <cstdio>
#include <limits>
#include <string>

namespace larkspire {
namespace {

constexpr std::int64_t MostSeconds = std::numeric_limits<std::int32_t>::max();

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::optional<std::int32_t> DelaySeconds(std::string_view digits)
{
    if (digits.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = std::min(value * 10 + (c - '0'), MostSeconds);
    }
    return static_cast<std::int32_t>(value);
}

int MonthNumber(const char* name)
{
    static constexpr std::array<std::string_view, 12> Months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (std::size_t i = 0; i < Months.size(); ++i) {
        if (Months[i] == name) return static_cast<int>(i) + 1;
    }
    return 0;
}

struct DateParts {
    int day = 0;
    char month[4] = {};
    int year = 0;
    int hour = -1;
    int minute = -1;
    int second = -1;
};

// The three forms an HTTP date may take; every one is in GMT.
std::optional<DateParts> ReadDateParts(const std::string& text)
{
    DateParts p;
    char weekday[10] = {};
    char zone[4] = {};
    int used = 0;
    const auto whole = [&] { return used == static_cast<int>(text.size()); };
    if (std::sscanf(text.c_str(), "%3[A-Za-z], %2d %3[A-Za-z] %4d %2d:%2d:%2d %3[A-Z]%n", weekday, &p.day, p.month,
                    &p.year, &p.hour, &p.minute, &p.second, zone, &used) == 8 &&
        whole() && std::string_view(zone) == "GMT") {
        return p;
    }
    used = 0;
    if (std::sscanf(text.c_str(), "%9[A-Za-z], %2d-%3[A-Za-z]-%2d %2d:%2d:%2d %3[A-Z]%n", weekday, &p.day, p.month,
                    &p.year, &p.hour, &p.minute, &p.second, zone, &used) == 8 &&
        whole() && std::string_view(zone) == "GMT") {
        // Two-digit years: the obsolete form is read as 1970-2069.
        p.year += p.year < 70 ? 2000 : 1900;
        return p;
    }
    used = 0;
    if (std::sscanf(text.c_str(), "%3[A-Za-z] %3[A-Za-z] %2d %2d:%2d:%2d %4d%n", weekday, p.month, &p.day, &p.hour,
                    &p.minute, &p.second, &p.year, &used) == 7 &&
        whole()) {
        return p;
    }
    return std::nullopt;
}

std::optional<std::chrono::system_clock::time_point> HttpDate(std::string_view text)
{
    const std::optional<DateParts> parts = ReadDateParts(std::string(text));
    if (!parts) return std::nullopt;
    using namespace std::chrono;
    const int month = MonthNumber(parts->month);
    const year_month_day date{year{parts->year}, std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(parts->day)}};
    if (month == 0 || !date.ok() || parts->hour > 23 || parts->minute > 59 || parts->second > 60) return std::nullopt;
    return sys_days{date} + hours{parts->hour} + minutes{parts->minute} + seconds{parts->second};
}

}  // namespace

std::optional<std::int32_t> RetryAfterSeconds(std::u16string_view value, std::chrono::system_clock::time_point now)
{
    std::string ascii;
    for (char16_t c : value) {
        if (c > 0x7E) return std::nullopt;
        ascii.push_back(static_cast<char>(c));
    }
    const std::string_view text = Trimmed(ascii);
    if (const auto seconds = DelaySeconds(text)) return seconds;
    const auto date = HttpDate(text);
    if (!date) return std::nullopt;
    if (*date <= now) return 0;
    const auto wait = std::chrono::ceil<std::chrono::seconds>(*date - now).count();
    return static_cast<std::int32_t>(std::min<std::int64_t>(wait, MostSeconds));
}

}  // namespace larkspire
