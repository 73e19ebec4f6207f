#include "http/HttpUrl.h"

#include <algorithm>
#include <vector>

#include "base/AsciiText.h"
#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"

namespace larkspire {
namespace {

constexpr std::u16string_view SchemeSeparator = u"://";

// Backslashes before the query or fragment count as "/", as browsers read them.
std::u16string WithForwardSlashes(std::u16string url)
{
    const std::size_t end = url.find_first_of(u"?#");
    for (std::size_t i = 0; i < url.size() && i < end; ++i) {
        if (url[i] == u'\\') url[i] = u'/';
    }
    return url;
}

struct PathAndAfter {
    std::u16string Path;
    std::optional<std::u16string> Query;
    std::optional<std::u16string> Fragment;
};

// Splits "path?query#fragment"; a "#" before any "?" leaves no query.
PathAndAfter SplitQueryAndFragment(std::u16string_view text)
{
    PathAndAfter parts;
    const std::size_t hash = text.find(u'#');
    if (hash != std::u16string_view::npos) {
        parts.Fragment = std::u16string(text.substr(hash + 1));
        text = text.substr(0, hash);
    }
    const std::size_t question = text.find(u'?');
    if (question != std::u16string_view::npos) {
        parts.Query = std::u16string(text.substr(question + 1));
        text = text.substr(0, question);
    }
    parts.Path = std::u16string(text);
    return parts;
}

// "/a/b/c" becomes path "/a/b/" and document "c".
void SetPathAndDocument(HttpUrl& url, std::u16string_view fullPath)
{
    const std::size_t lastSlash = fullPath.rfind(u'/');
    if (lastSlash == std::u16string_view::npos) {
        url.Path = u"/";
        url.Document = std::u16string(fullPath);
        return;
    }
    url.Path = std::u16string(fullPath.substr(0, lastSlash + 1));
    if (url.Path.front() != u'/') url.Path.insert(url.Path.begin(), u'/');
    url.Document = std::u16string(fullPath.substr(lastSlash + 1));
}

// Joins the segments of a relative path to a directory: empty segments ("//") and "." vanish,
// each ".." removes the segment before it.
std::u16string MergePaths(std::u16string_view directory, std::u16string_view relative)
{
    const std::u16string joined = std::u16string(directory) + std::u16string(relative);
    std::vector<std::u16string> segments;
    bool endsInDirectory = false;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t slash = joined.find(u'/', start);
        if (slash == std::u16string::npos) slash = joined.size();
        const std::u16string segment = joined.substr(start, slash - start);
        const bool last = slash == joined.size();
        if (segment == u"..") {
            if (!segments.empty()) segments.pop_back();
            endsInDirectory = last;
        } else if (segment.empty() || segment == u".") {
            endsInDirectory = last;
        } else {
            segments.push_back(segment);
            endsInDirectory = false;
        }
        start = slash + 1;
    }
    std::u16string merged;
    for (const std::u16string& segment : segments) merged += u"/" + segment;
    if (merged.empty() || endsInDirectory) merged += u"/";
    return merged;
}

bool IsValidPort(std::u16string_view port)
{
    if (port.empty() || port.size() > 5) return false;
    unsigned value = 0;
    for (char16_t c : port) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + (c - u'0');
    }
    return value >= 1 && value <= 65535;
}

// Authority "user:password@host:port", "[v6]:port" or "host".
void ParseAuthority(std::u16string_view authority, HttpUrl& url)
{
    const std::size_t at = authority.rfind(u'@');
    if (at != std::u16string_view::npos) {
        const std::u16string_view userInfo = authority.substr(0, at);
        const std::size_t colon = userInfo.find(u':');
        url.UserName = std::u16string(userInfo.substr(0, colon));
        if (colon != std::u16string_view::npos && !url.UserName.empty()) {
            url.Password = std::u16string(userInfo.substr(colon + 1));
        }
        authority = authority.substr(at + 1);
    }
    std::u16string_view afterHost;
    if (!authority.empty() && authority.front() == u'[') {
        const std::size_t close = authority.find(u']');
        if (close == std::u16string_view::npos) throw TransportError(reason::NoHost);
        url.Host = std::u16string(authority.substr(1, close - 1));
        url.HostIsIpv6Literal = true;
        afterHost = authority.substr(close + 1);
    } else {
        const std::size_t colon = authority.find(u':');
        url.Host = std::u16string(authority.substr(0, colon));
        if (colon != std::u16string_view::npos) afterHost = authority.substr(colon);
    }
    if (!afterHost.empty() && afterHost.front() == u':') url.Port = std::u16string(afterHost.substr(1));
}

HttpUrl ParseAbsolute(std::u16string_view text, std::size_t separator, const std::optional<HttpUrl>& current)
{
    HttpUrl url;
    url.Scheme = std::u16string(text.substr(0, separator));
    if (url.Scheme.empty()) url.Scheme = current ? current->Scheme : u"http";
    const std::u16string_view rest = text.substr(separator + SchemeSeparator.size());
    const std::size_t authorityEnd = std::min(rest.find_first_of(u"/?#"), rest.size());
    ParseAuthority(rest.substr(0, authorityEnd), url);
    PathAndAfter parts = SplitQueryAndFragment(rest.substr(authorityEnd));
    SetPathAndDocument(url, parts.Path);
    url.Query = std::move(parts.Query);
    url.Fragment = std::move(parts.Fragment);
    return url;
}

HttpUrl ParseRelative(std::u16string_view text, const HttpUrl& current)
{
    HttpUrl url;
    url.Scheme = current.Scheme;
    url.Host = current.Host;
    url.HostIsIpv6Literal = current.HostIsIpv6Literal;
    url.Port = current.Port;
    PathAndAfter parts = SplitQueryAndFragment(text);
    if (parts.Path.empty()) {
        url.Path = current.Path;
        url.Document = current.Document;
        if (!parts.Query && !text.empty() && text.front() == u'#') parts.Query = current.Query;
    } else if (parts.Path.front() == u'/') {
        SetPathAndDocument(url, parts.Path);
    } else {
        SetPathAndDocument(url, MergePaths(current.Path, parts.Path));
    }
    url.Query = std::move(parts.Query);
    url.Fragment = std::move(parts.Fragment);
    return url;
}

std::u16string DefaultPort(std::u16string_view scheme)
{
    if (EqualsIgnoringAsciiCase(scheme, u"http")) return u"80";
    if (EqualsIgnoringAsciiCase(scheme, u"https")) return u"443";
    return {};
}

}  // namespace

bool HttpUrl::IsHttps() const { return EqualsIgnoringAsciiCase(Scheme, u"https"); }

std::uint16_t HttpUrl::PortNumber() const
{
    if (!IsValidPort(Port)) return 0;
    unsigned value = 0;
    for (char16_t c : Port) value = value * 10 + (c - u'0');
    return static_cast<std::uint16_t>(value);
}

std::u16string HttpUrl::RequestTarget() const
{
    std::u16string target = Path + Document;
    if (Query) target += u"?" + *Query;
    return target;
}

std::u16string HttpUrl::HostHeaderValue() const
{
    const std::u16string host = HostIsIpv6Literal ? u"[" + Host + u"]" : Host;
    const bool usualPort = (Port == u"80" && EqualsIgnoringAsciiCase(Scheme, u"http")) ||
                           (Port == u"443" && EqualsIgnoringAsciiCase(Scheme, u"https"));
    return usualPort ? host : host + u":" + Port;
}

std::u16string HttpUrl::Authority() const { return (HostIsIpv6Literal ? u"[" + Host + u"]" : Host) + u":" + Port; }

std::u16string HttpUrl::AbsoluteForm() const { return Scheme + u"://" + HostHeaderValue() + RequestTarget(); }

HttpUrl ResolveUrl(const std::u16string& url, const std::optional<HttpUrl>& current)
{
    const std::u16string text = WithForwardSlashes(url);
    // Only a "://" before the query counts: "/go?to=http://x" is a relative URL.
    const std::size_t separator = text.find(SchemeSeparator);
    const bool absolute = separator != std::u16string::npos && separator < text.find_first_of(u"?#");
    // "//host/path" names another host with the current scheme.
    const bool networkPath = !absolute && current && text.starts_with(u"//");

    HttpUrl resolved;
    if (absolute) {
        resolved = ParseAbsolute(text, separator, current);
    } else if (networkPath) {
        resolved = ParseAbsolute(u":" + text, 0, current);
    } else if (current) {
        resolved = ParseRelative(text, *current);
    } else {
        throw TransportError(reason::NoScheme);
    }

    // Only the web's two schemes are requested; anything else would be sent plain HTTP it never asked for.
    if (DefaultPort(resolved.Scheme).empty()) throw TransportError(reason::UnsupportedScheme);
    if (resolved.Port.empty()) resolved.Port = DefaultPort(resolved.Scheme);
    if (!IsValidPort(resolved.Port)) throw TransportError(reason::InvalidPort);
    if (resolved.Host.empty()) throw TransportError(reason::NoHost);
    return resolved;
}

}  // namespace larkspire
