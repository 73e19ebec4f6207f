#include "http/CookieStore.h"

#include <algorithm>
#include <array>

#include "base/AsciiText.h"

namespace larkspire {
namespace {

using Clock = CookieStore::Clock;

// The delimiters of the cookie date grammar.
bool IsDateDelimiter(char16_t c)
{
    return c == 0x09 || (c >= 0x20 && c <= 0x2F) || (c >= 0x3B && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
           (c >= 0x7B && c <= 0x7E);
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads 1 to maxDigits digits at the start of token; the token may go on only with a non-digit.
std::optional<int> LeadingNumber(std::u16string_view token, std::size_t minDigits, std::size_t maxDigits,
                                 std::size_t* consumed = nullptr)
{
    std::size_t count = 0;
    int value = 0;
    while (count < token.size() && IsDigit(token[count])) {
        value = value * 10 + (token[count] - u'0');
        if (++count > maxDigits) return std::nullopt;
    }
    if (count < minDigits) return std::nullopt;
    if (consumed) *consumed = count;
    return value;
}

// hh:mm:ss with one or two digits each.
bool ParseTime(std::u16string_view token, int& hour, int& minute, int& second)
{
    std::array<int, 3> parts{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::size_t consumed = 0;
        const auto number = LeadingNumber(token, 1, 2, &consumed);
        if (!number) return false;
        parts[i] = *number;
        token.remove_prefix(consumed);
        if (i < 2) {
            if (token.empty() || token.front() != u':') return false;
            token.remove_prefix(1);
        }
    }
    hour = parts[0];
    minute = parts[1];
    second = parts[2];
    return true;
}

std::optional<unsigned> MonthOf(std::u16string_view token)
{
    static constexpr std::array<std::u16string_view, 12> Months = {u"jan", u"feb", u"mar", u"apr", u"may", u"jun",
                                                                   u"jul", u"aug", u"sep", u"oct", u"nov", u"dec"};
    if (token.size() < 3) return std::nullopt;
    const std::u16string prefix = AsciiLower(token.substr(0, 3));
    for (std::size_t i = 0; i < Months.size(); ++i) {
        if (prefix == Months[i]) return static_cast<unsigned>(i + 1);
    }
    return std::nullopt;
}

// The date of an Expires attribute, read the lenient way RFC 6265 prescribes.
std::optional<Clock::time_point> ParseCookieDate(std::u16string_view text)
{
    std::optional<int> hour, minute, second, dayOfMonth, year;
    std::optional<unsigned> month;
    std::size_t position = 0;
    while (position < text.size()) {
        while (position < text.size() && IsDateDelimiter(text[position])) ++position;
        std::size_t end = position;
        while (end < text.size() && !IsDateDelimiter(text[end])) ++end;
        const std::u16string_view token = text.substr(position, end - position);
        position = end;
        if (token.empty()) continue;
        int h = 0, m = 0, s = 0;
        if (!hour && ParseTime(token, h, m, s)) {
            hour = h;
            minute = m;
            second = s;
            continue;
        }
        if (!dayOfMonth) {
            if ((dayOfMonth = LeadingNumber(token, 1, 2))) continue;
        }
        if (!month) {
            if ((month = MonthOf(token))) continue;
        }
        if (!year) year = LeadingNumber(token, 2, 4);
    }
    if (!hour || !dayOfMonth || !month || !year) return std::nullopt;
    if (*year >= 70 && *year <= 99) *year += 1900;
    if (*year >= 0 && *year <= 69) *year += 2000;
    if (*dayOfMonth < 1 || *dayOfMonth > 31 || *year < 1601 || *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year{*year}, std::chrono::month{*month},
                                           std::chrono::day{static_cast<unsigned>(*dayOfMonth)}};
    if (!date.ok()) return std::nullopt;
    // The clock cannot hold every year a server may write; dates outside its range are clamped.
    if (*year < 1971) return Clock::time_point::min();
    if (*year > 2200) return std::chrono::sys_days{std::chrono::year{2200} / 1 / 1};
    return std::chrono::sys_days{date} + std::chrono::hours{*hour} + std::chrono::minutes{*minute} +
           std::chrono::seconds{*second};
}

std::optional<Clock::time_point> ParseMaxAge(std::u16string_view text, Clock::time_point now)
{
    const bool negative = !text.empty() && text.front() == u'-';
    const std::u16string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit)) return std::nullopt;
    constexpr std::int64_t Longest = 100LL * 366 * 24 * 3600;
    std::int64_t seconds = 0;
    for (char16_t c : digits) seconds = std::min(seconds * 10 + (c - u'0'), Longest);
    if (negative || seconds == 0) return Clock::time_point::min();
    return now + std::chrono::seconds{seconds};
}

bool IsIpAddress(const HttpUrl& url)
{
    return url.HostIsIpv6Literal ||
           std::all_of(url.Host.begin(), url.Host.end(), [](char16_t c) { return IsDigit(c) || c == u'.'; });
}

bool DomainMatches(const std::u16string& host, const std::u16string& domain, bool hostIsIp)
{
    if (host == domain) return true;
    return !hostIsIp && host.size() > domain.size() && host.ends_with(domain) &&
           host[host.size() - domain.size() - 1] == u'.';
}

std::u16string RequestPath(const HttpUrl& url) { return url.Path + url.Document; }

// The directory of the request path: what a cookie without a Path attribute is scoped to.
std::u16string DefaultPath(const HttpUrl& url)
{
    const std::u16string path = RequestPath(url);
    const std::size_t lastSlash = path.rfind(u'/');
    if (path.empty() || path.front() != u'/' || lastSlash == 0) return u"/";
    return path.substr(0, lastSlash);
}

bool PathMatches(const std::u16string& requestPath, const std::u16string& cookiePath)
{
    if (requestPath == cookiePath) return true;
    return requestPath.starts_with(cookiePath) && (cookiePath.back() == u'/' || requestPath[cookiePath.size()] == u'/');
}

}  // namespace

void CookieStore::SetCookie(std::u16string_view setCookieValue, const HttpUrl& url, Clock::time_point now)
{
    const std::size_t firstSemicolon = setCookieValue.find(u';');
    const std::u16string_view pair = setCookieValue.substr(0, firstSemicolon);
    const std::size_t equals = pair.find(u'=');
    if (equals == std::u16string_view::npos) return;

    Cookie cookie;
    cookie.Name = std::u16string(TrimBlanks(pair.substr(0, equals)));
    cookie.Value = std::u16string(TrimBlanks(pair.substr(equals + 1)));
    if (cookie.Name.empty()) return;

    std::optional<Clock::time_point> expires, maxAge;
    std::optional<std::u16string> domain, path;
    std::u16string_view attributes =
        firstSemicolon == std::u16string_view::npos ? std::u16string_view() : setCookieValue.substr(firstSemicolon + 1);
    while (!attributes.empty()) {
        const std::size_t next = attributes.find(u';');
        const std::u16string_view attribute = attributes.substr(0, next);
        attributes = next == std::u16string_view::npos ? std::u16string_view() : attributes.substr(next + 1);
        const std::size_t attributeEquals = attribute.find(u'=');
        const std::u16string name = AsciiLower(TrimBlanks(attribute.substr(0, attributeEquals)));
        const std::u16string_view value = attributeEquals == std::u16string_view::npos
                                              ? std::u16string_view()
                                              : TrimBlanks(attribute.substr(attributeEquals + 1));
        if (name == u"expires") {
            if (const auto date = ParseCookieDate(value)) expires = date;
        } else if (name == u"max-age") {
            if (const auto limit = ParseMaxAge(value, now)) maxAge = limit;
        } else if (name == u"domain") {
            std::u16string_view domainName = value;
            if (!domainName.empty() && domainName.front() == u'.') domainName.remove_prefix(1);
            if (!domainName.empty()) domain = AsciiLower(domainName);
        } else if (name == u"path") {
            path = value.empty() || value.front() != u'/' ? DefaultPath(url) : std::u16string(value);
        } else if (name == u"secure") {
            cookie.Secure = true;
        }
    }

    const std::u16string host = AsciiLower(url.Host);
    if (domain) {
        if (!DomainMatches(host, *domain, IsIpAddress(url))) return;
        cookie.Domain = *domain;
        cookie.HostOnly = false;
    } else {
        cookie.Domain = host;
    }
    cookie.Path = path ? *path : DefaultPath(url);
    cookie.Expiry = maxAge ? maxAge : expires;

    // Found through the index, so storing many cookies stays linear.
    std::u16string key = cookie.Name + u'\0' + cookie.Domain + u'\0' + cookie.Path;
    const bool expired = cookie.Expiry && *cookie.Expiry <= now;
    const auto same = index_.find(key);
    if (same == index_.end()) {
        // An expiry in the past only deletes the cookie it replaces.
        if (expired) return;
        cookie.Creation = nextCreation_++;
        index_.emplace(std::move(key), cookies_.size());
        cookies_.push_back(std::move(cookie));
        return;
    }
    const std::size_t position = same->second;
    if (!expired) {
        cookie.Creation = cookies_[position].Creation;
        cookies_[position] = std::move(cookie);
        return;
    }
    index_.erase(same);
    if (position + 1 != cookies_.size()) {
        cookies_[position] = std::move(cookies_.back());
        const Cookie& moved = cookies_[position];
        index_[moved.Name + u'\0' + moved.Domain + u'\0' + moved.Path] = position;
    }
    cookies_.pop_back();
}

std::u16string CookieStore::CookieHeader(const HttpUrl& url, Clock::time_point now) const
{
    const std::u16string host = AsciiLower(url.Host);
    const std::u16string requestPath = RequestPath(url);
    const bool hostIsIp = IsIpAddress(url);
    std::vector<const Cookie*> matching;
    for (const Cookie& cookie : cookies_) {
        const bool domainMatches =
            cookie.HostOnly ? host == cookie.Domain : DomainMatches(host, cookie.Domain, hostIsIp);
        if (!domainMatches || !PathMatches(requestPath, cookie.Path)) continue;
        if (cookie.Secure && !url.IsHttps()) continue;
        if (cookie.Expiry && *cookie.Expiry <= now) continue;
        matching.push_back(&cookie);
    }
    // Longer paths first, then the older cookie first.
    std::sort(matching.begin(), matching.end(), [](const Cookie* a, const Cookie* b) {
        if (a->Path.size() != b->Path.size()) return a->Path.size() > b->Path.size();
        return a->Creation < b->Creation;
    });
    std::u16string header;
    for (const Cookie* cookie : matching) {
        if (!header.empty()) header += u"; ";
        header += cookie->Name + u"=" + cookie->Value;
    }
    return header;
}

}  // namespace larkspire
