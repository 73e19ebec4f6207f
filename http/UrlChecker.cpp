#include "http/UrlChecker.h"

#include <algorithm>
#include <limits>
#include <new>
#include <string_view>

#include "base/AsciiText.h"
#include "http/BodyText.h"
#include "http/RetryAfter.h"
#include "net/CheckReasons.h"
#include "net/NetworkErrors.h"

namespace larkspire {
namespace {

constexpr std::int32_t RedirectMaximum = 10;  // so at most 9 redirects are followed
constexpr std::uint16_t DefaultProxyPort = 80;
constexpr std::int64_t MinConnectTimeoutMs = 1000;
constexpr std::int64_t WholeCheckTimeouts = 10;  // a whole check takes at most this many time-outs
// The reasons are ASCII words (OpenSSL's included); the final URL is the only text beyond ASCII.
std::u16string ReasonText(std::string_view reason) { return DecodeUtf8(reason); }

std::int32_t MillisecondsSince(std::chrono::steady_clock::time_point started)
{
    using std::chrono::steady_clock;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(steady_clock::now() - started);
    return static_cast<std::int32_t>(std::min<std::int64_t>(elapsed.count(), std::numeric_limits<std::int32_t>::max()));
}

// Time-outs come from a setting of a few seconds; larger values saturate instead of wrapping around.
std::int32_t Saturated(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

const std::u16string& ProxyEntry(const ProxyParams& params, std::size_t index)
{
    if (index >= params.size()) {
        throw LarkspireError("List index out of bounds (" + std::to_string(index) + ").");
    }
    return params[index];
}

std::uint16_t ProxyPortNumber(const std::u16string& text)
{
    if (text.empty()) return DefaultProxyPort;
    std::int32_t value = 0;
    for (char16_t c : text) {
        value = value * 10 + (c - u'0');
        if (c < u'0' || c > u'9' || value > std::numeric_limits<std::uint16_t>::max()) {
            throw LarkspireError("The proxy port is not a valid port number.");
        }
    }
    return static_cast<std::uint16_t>(value);
}

CheckOutcome Failed(std::u16string_view status, std::string_view reason, Recheck recheck)
{
    CheckOutcome outcome{std::u16string(status), ReasonText(reason)};
    outcome.recheck = recheck;
    return outcome;
}

// A refused or reset connection and a failed TLS exchange may pass by themselves; a host that does not exist
// or a URL that is not valid never does.
Recheck RecheckAfter(const TransportError& error)
{
    const std::string reasonText = error.what();
    const bool passing = reasonText == reason::ConnectionRefused || reasonText == reason::ConnectionReset ||
                         reason::IsTlsFailure(reasonText);
    return passing ? Recheck::MayPass : Recheck::Never;
}

constexpr std::int32_t TooManyRequests = 429;
constexpr std::int32_t ServiceUnavailable = 503;

// A 429 asks for a later try with or without Retry-After; a 503 only with one the checker can read.
void NoteAskedWait(CheckOutcome& outcome, const ProtocolError& error)
{
    if (error.Code() != TooManyRequests && error.Code() != ServiceUnavailable) return;
    const auto seconds = RetryAfterSeconds(error.RetryAfter(), std::chrono::system_clock::now());
    if (!seconds && error.Code() == ServiceUnavailable) return;
    outcome.recheck = Recheck::WhenAsked;
    outcome.askedWaitSeconds = seconds.value_or(-1);
}

}  // namespace

UrlChecker::UrlChecker(std::int32_t timeoutInSeconds, bool /*enableTimeout*/) : timeoutInSec_(timeoutInSeconds) {}

void UrlChecker::GetPage(const std::u16string& urlAddress, const std::u16string& referer,
                         const std::u16string& userAgent, const std::optional<ProxyParams>& proxyParams,
                         std::u16string& responseCode, std::u16string& pageContent)
{
    responseCode.clear();
    responseCode = Run(urlAddress, referer, userAgent, proxyParams, pageContent, nullptr).status;
}

void UrlChecker::GetPage(const std::u16string& urlAddress, std::u16string& responseCode, std::u16string& pageContent)
{
    GetPage(urlAddress, {}, {}, std::nullopt, responseCode, pageContent);
}

void UrlChecker::GetPage(const std::u16string& urlAddress, std::u16string& responseCode)
{
    std::u16string pageContent;
    GetPage(urlAddress, responseCode, pageContent);
}

CheckOutcome UrlChecker::Check(const std::u16string& urlAddress, const std::atomic<bool>* abortRequested)
{
    std::u16string pageContent;
    return Run(urlAddress, {}, {}, std::nullopt, pageContent, abortRequested);
}

CheckOutcome UrlChecker::Run(const std::u16string& urlAddress, const std::u16string& referer,
                             const std::u16string& userAgent, const std::optional<ProxyParams>& proxyParams,
                             std::u16string& pageContent, const std::atomic<bool>* abortRequested)
{
    pageContent.clear();
    started_ = std::chrono::steady_clock::now();
    try {
        Prepare(referer, userAgent, proxyParams, abortRequested);
        pageContent = http_.Get(urlAddress);
        return Answered(std::u16string(StatusCompleted), urlAddress);
    } catch (const RedirectLimitError& error) {
        return {ErrorStatus(error.Code()), ReasonText(reason::RedirectLimit), MillisecondsSince(started_)};
    } catch (const ProtocolError& error) {
        CheckOutcome outcome = Answered(ErrorStatus(error.Code()), urlAddress);
        NoteAskedWait(outcome, error);
        return outcome;
    } catch (const ReadTimeoutError& error) {
        return Failed(StatusTimeout, error.what(), Recheck::MayPass);
    } catch (const ConnectTimeoutError& error) {
        return Failed(StatusTimeout, error.what(), Recheck::MayPass);
    } catch (const CheckTimeLimitError& error) {
        return Failed(StatusTimeout, error.what(), Recheck::MayPass);
    } catch (const TransportError& error) {
        return Failed(StatusAborted, error.what(), RecheckAfter(error));
    } catch (const LarkspireError& error) {
        return {std::u16string(StatusAborted), ReasonText(error.what())};
    } catch (const std::bad_alloc&) {
        return {std::u16string(StatusAborted), ReasonText(reason::OutOfMemory)};
    }
}

CheckOutcome UrlChecker::Answered(std::u16string status, const std::u16string& urlAddress) const
{
    CheckOutcome outcome{std::move(status), {}, MillisecondsSince(started_)};
    const std::optional<HttpUrl>& finalUrl = http_.CurrentUrl();
    if (finalUrl) {
        std::u16string whereTo = finalUrl->AbsoluteForm();
        if (whereTo != ResolveUrl(urlAddress, std::nullopt).AbsoluteForm()) outcome.finalUrl = std::move(whereTo);
    }
    return outcome;
}

void UrlChecker::Prepare(const std::u16string& referer, const std::u16string& userAgent,
                         const std::optional<ProxyParams>& proxyParams, const std::atomic<bool>* abortRequested)
{
    HttpTransportSettings& settings = http_.Settings();
    settings.HandleRedirects = true;
    settings.RedirectMaximum = RedirectMaximum;
    settings.UserAgent = userAgent;
    settings.Referer = referer;
    if (proxyParams && !proxyParams->empty()) {
        settings.ProxyServer = ProxyEntry(*proxyParams, 0);
        settings.ProxyPort = ProxyPortNumber(ProxyEntry(*proxyParams, 1));
        settings.ProxyUsername = ProxyEntry(*proxyParams, 2);
        settings.BasicAuthentication = !settings.ProxyUsername.empty();
        settings.ProxyPassword = ProxyEntry(*proxyParams, 3);
    }
    const std::int64_t timeoutMs = std::int64_t{timeoutInSec_} * 1000;
    settings.ReadTimeout = Saturated(timeoutMs);
    // Never zero or negative, which would mean no limit or instant failure: a 1 s setting gives 1 s.
    settings.ConnectTimeout = Saturated(std::max<std::int64_t>(timeoutMs - 1000, MinConnectTimeoutMs));
    // A setting of 0 (no read limit) still gets the whole-check limit of a 1 s setting.
    const std::chrono::milliseconds wholeLimit(Saturated(std::max<std::int64_t>(timeoutMs, 1000) * WholeCheckTimeouts));
    const std::chrono::milliseconds afterAbort(std::max<std::int64_t>(Saturated(timeoutMs), 0));
    settings.Budget = CheckBudget(wholeLimit, afterAbort, abortRequested, clock_);
}

CheckOutcome CheckUrlStatus(const std::u16string& url, int timeoutSeconds, const std::atomic<bool>& abortRequested)
{
    UrlChecker checker(timeoutSeconds, false);
    return checker.Check(url, &abortRequested);
}

CheckOutcome CheckUrlStatusVerifyingTls(const std::u16string& url, int timeoutSeconds,
                                        const std::atomic<bool>& abortRequested)
{
    UrlChecker checker(timeoutSeconds, false);
    checker.SetCertificateCheck(CertificateCheck::Verified);
    return checker.Check(url, &abortRequested);
}

}  // namespace larkspire
