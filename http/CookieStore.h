#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "http/HttpUrl.h"

namespace larkspire {

// The cookies of one transport, kept and sent back by the rules of RFC 6265.
class CookieStore {
public:
    using Clock = std::chrono::system_clock;

    // Stores the cookie of one "Set-Cookie" value received in the response for url; a malformed
    // cookie, or one whose Domain does not cover url's host, is ignored.
    void SetCookie(std::u16string_view setCookieValue, const HttpUrl& url, Clock::time_point now = Clock::now());

    // The "Cookie" value for a request to url ("a=1; b=2"), empty when no cookie matches.
    // Secure cookies go only to https URLs; expired cookies are never sent.
    std::u16string CookieHeader(const HttpUrl& url, Clock::time_point now = Clock::now()) const;

    std::size_t Size() const { return cookies_.size(); }

private:
    struct Cookie {
        std::u16string Name;
        std::u16string Value;
        std::u16string Domain;  // lower case
        std::u16string Path;
        std::optional<Clock::time_point> Expiry;  // none for a session cookie
        bool HostOnly = true;
        bool Secure = false;
        std::uint64_t Creation = 0;  // order of first storage
    };

    std::vector<Cookie> cookies_;                            // in no particular order: the Cookie header sorts them
    std::unordered_map<std::u16string, std::size_t> index_;  // name, domain and path to the place in cookies_
    std::uint64_t nextCreation_ = 0;
};

}  // namespace larkspire
