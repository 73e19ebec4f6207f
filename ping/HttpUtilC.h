#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ping/HttpTransport.h"

namespace larkspire {

// The status texts a check ends with; other parts of the program compare them exactly.
// The status of a row whose check is under way, written by the row task before the check.
inline constexpr std::u16string_view StatusPinging = u"Pinging page...";
inline constexpr std::u16string_view StatusCompleted = u"Completed";
inline constexpr std::u16string_view StatusTimeout = u"Timeout";
inline constexpr std::u16string_view StatusAborted = u"Aborted";
// "Error %d" with the HTTP status code, e.g. "Error 404", "Error -1".
std::u16string ErrorStatus(std::int32_t code);

// Proxy host, proxy port as decimal text (empty: 80), proxy user name and proxy password, by position.
using ProxyParams = std::vector<std::u16string>;

// Checks one URL with one GET through its own transport and reduces the outcome to a status text.
// Used by one thread at a time; instances share nothing.
class HttpUtil {
public:
    // enableTimeout asks for the watchdog mode, which this program never uses and does not build: the
    // read and connect time-outs bound every wait already.
    HttpUtil(std::int32_t timeoutInSeconds, bool enableTimeout);
    virtual ~HttpUtil() = default;

    // Requests urlAddress and sets responseCode to "Completed", "Error %d", "Timeout" or "Aborted", and
    // pageContent to the decoded body of a completed request (empty otherwise). Failures of the request and
    // memory exhaustion end as "Aborted" at worst; only an exception from outside LarkspireError escapes,
    // leaving responseCode empty.
    void GetPage(const std::u16string& urlAddress, const std::u16string& referer, const std::u16string& userAgent,
                 const std::optional<ProxyParams>& proxyParams, std::u16string& responseCode,
                 std::u16string& pageContent);
    // Without referer, user agent and proxy.
    void GetPage(const std::u16string& urlAddress, std::u16string& responseCode, std::u16string& pageContent);
    // The body is discarded: the form a ping uses.
    void GetPage(const std::u16string& urlAddress, std::u16string& responseCode);

private:
    void Prepare(const std::u16string& referer, const std::u16string& userAgent,
                 const std::optional<ProxyParams>& proxyParams);

    HttpTransport http_;
    std::int32_t timeoutInSec_;
};

}  // namespace larkspire
