#include "net/CheckReasons.h"

#include <cerrno>
#include <cstring>

namespace larkspire::reason {

std::string TlsFailed(const char* step, const std::string& details)
{
    return std::string("TLS ") + step + " failed: " + details;
}

bool IsTlsFailure(const std::string& reason) { return reason.rfind("TLS ", 0) == 0; }

std::string SystemFailure(const char* what, int error)
{
    if (error == ECONNREFUSED) return ConnectionRefused;
    if (error == ECONNRESET || error == EPIPE) return ConnectionReset;
    std::string text = std::strerror(error);
    // strerror capitalises its first word; the reasons read as one lower-case phrase.
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && (text.size() < 2 || text[1] < 'A' || text[1] > 'Z')) {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return std::string(what) + " failed: " + text;
}

std::string DurationText(int milliseconds)
{
    if (milliseconds % 1000 == 0) return std::to_string(milliseconds / 1000) + " s";
    return std::to_string(milliseconds) + " ms";
}

std::string NoAnswerFor(int milliseconds) { return "no answer for " + DurationText(milliseconds); }

std::string NoDataTakenFor(int milliseconds) { return "server took no data for " + DurationText(milliseconds); }

std::string NoConnectionWithin(int milliseconds) { return "no connection within " + DurationText(milliseconds); }

std::string CheckTookLongerThan(int milliseconds) { return "check took longer than " + DurationText(milliseconds); }

}  // namespace larkspire::reason
