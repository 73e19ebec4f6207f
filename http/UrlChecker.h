#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/CheckOutcome.h"
#include "base/PingStatus.h"
#include "http/HttpTransport.h"

namespace larkspire {

// Proxy host, proxy port as decimal text (empty: 80), proxy user name and proxy password, by position.
using ProxyParams = std::vector<std::u16string>;

// Checks one URL with one GET through its own transport and reduces the outcome to a status text.
// Used by one thread at a time; instances share nothing.
class UrlChecker {
public:
    // enableTimeout asks for the watchdog mode, which this program never uses and does not build: the
    // read and connect time-outs bound every wait already.
    UrlChecker(std::int32_t timeoutInSeconds, bool enableTimeout);
    virtual ~UrlChecker() = default;

    // Requests urlAddress and sets responseCode to "Completed", "Error %d", "Timeout" or "Aborted", and
    // pageContent to the decoded body of a completed request (empty otherwise). Failures of the request and
    // memory exhaustion end as "Aborted" at worst; only an exception from outside LarkspireError escapes,
    // leaving responseCode empty. The whole check, redirects and name lookups included, ends within
    // 10 x the time-out setting ("Timeout").
    void GetPage(const std::u16string& urlAddress, const std::u16string& referer, const std::u16string& userAgent,
                 const std::optional<ProxyParams>& proxyParams, std::u16string& responseCode,
                 std::u16string& pageContent);
    // Without referer, user agent and proxy.
    void GetPage(const std::u16string& urlAddress, std::u16string& responseCode, std::u16string& pageContent);
    // The body is discarded: the form a ping uses.
    void GetPage(const std::u16string& urlAddress, std::u16string& responseCode);

    // The form a ping run uses: the status and its reason. Once abortRequested is set, the check gets at
    // most the time-out setting more, then it is cut ("Aborted", "cut by Abort").
    CheckOutcome Check(const std::u16string& urlAddress, const std::atomic<bool>* abortRequested);

    // With Verified, an https server must show a certificate that the system trusts and that names its host;
    // one that does not ends the check as "Aborted" with what was wrong. None (the default) takes any.
    void SetCertificateCheck(CertificateCheck check) { http_.Settings().Certificates = check; }
    // The clock the check's limits and time-outs are measured on, which must outlive the checker; none (the
    // default) is the steady clock. The time a check took is always the steady clock's.
    void SetClock(const CheckClock* clock) { clock_ = clock; }

private:
    CheckOutcome Run(const std::u16string& urlAddress, const std::u16string& referer, const std::u16string& userAgent,
                     const std::optional<ProxyParams>& proxyParams, std::u16string& pageContent,
                     const std::atomic<bool>* abortRequested);
    void Prepare(const std::u16string& referer, const std::u16string& userAgent,
                 const std::optional<ProxyParams>& proxyParams, const std::atomic<bool>* abortRequested);
    // The outcome of a check that got an answer: how long it took, and where it ended when redirects moved it.
    CheckOutcome Answered(std::u16string status, const std::u16string& urlAddress) const;

    HttpTransport http_;
    std::int32_t timeoutInSec_;
    const CheckClock* clock_ = nullptr;
    std::chrono::steady_clock::time_point started_;
};

// The programs' row checker: a new UrlChecker for this one check, destroyed when it returns or raises.
CheckOutcome CheckUrlStatus(const std::u16string& url, int timeoutSeconds, const std::atomic<bool>& abortRequested);
// The same with TLS certificates verified (the "Verify TLS certificates" setting).
CheckOutcome CheckUrlStatusVerifyingTls(const std::u16string& url, int timeoutSeconds,
                                        const std::atomic<bool>& abortRequested);

}  // namespace larkspire
