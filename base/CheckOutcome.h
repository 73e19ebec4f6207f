#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace larkspire {

// What a check's outcome says about checking the URL again.
enum class Recheck : std::uint8_t {
    Never,
    // The server asked for a later try: a 429, or a 503 with Retry-After.
    WhenAsked,
    // A failure that may pass: a time-out, a reset, a refused connection, a TLS failure.
    MayPass,
};

// What one check of a URL ends with: the status text, compared exactly elsewhere, and what explains it, kept
// in parts so that a table of a million rows, the results files and the JSON lines can each keep or write
// what they need.
struct CheckOutcome {
    CheckOutcome() = default;
    CheckOutcome(std::u16string status, std::u16string reason = {}, std::int32_t elapsedMs = -1,
                 std::u16string finalUrl = {})
        : status(std::move(status)), reason(std::move(reason)), elapsedMs(elapsedMs), finalUrl(std::move(finalUrl))
    {}

    std::u16string status;
    // A failure's reason in plain words, or a note beside an answer ("redirect limit reached"); may be empty.
    std::u16string reason;
    // How long a check that got an answer took; -1 for a check that got none.
    std::int32_t elapsedMs = -1;
    // Where redirects moved the check; empty when they did not move it.
    std::u16string finalUrl;
    Recheck recheck = Recheck::Never;
    // The wait in seconds a WhenAsked answer named in its Retry-After; -1 when it named none.
    std::int32_t askedWaitSeconds = -1;
};

// The reason a user reads beside the status, from the parts present, in this order:
// "moved to https://example.com/ · redirect limit reached · in 42 ms".
std::u16string ShownReason(const CheckOutcome& outcome);

}  // namespace larkspire
