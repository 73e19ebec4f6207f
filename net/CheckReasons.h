#pragma once

#include <string>

namespace larkspire {

// The reasons a check gives beside its status, in short plain words for the user. Every failure of the
// engine carries one of these as its message, so this is the one place their wording lives.
namespace reason {

inline constexpr char HostNotFound[] = "host not found";
inline constexpr char InvalidHostName[] = "host name not valid";
inline constexpr char NoHost[] = "no host in the URL";
inline constexpr char NoScheme[] = "no scheme in the URL";
inline constexpr char InvalidPort[] = "port not valid";
inline constexpr char UnsupportedScheme[] = "unsupported scheme";
inline constexpr char UrlTooLong[] = "URL too long";
inline constexpr char ConnectionRefused[] = "connection refused";
inline constexpr char ConnectionReset[] = "connection reset";
inline constexpr char ClosedBeforeAnswer[] = "connection closed before an answer";
inline constexpr char ClosedInsideBody[] = "connection closed inside the body";
inline constexpr char LineTooLong[] = "header line too long";
inline constexpr char HeaderTooLarge[] = "header section too large";
inline constexpr char RedirectLimit[] = "redirect limit reached";
inline constexpr char CutByAbort[] = "cut by Abort";
inline constexpr char OutOfMemory[] = "out of memory";
inline constexpr char TlsUnavailable[] = "TLS library not available";

// "TLS handshake failed: <OpenSSL's reason>" and the like for other TLS steps.
std::string TlsFailed(const char* step, const std::string& details);
// Whether a reason is one TlsFailed made.
bool IsTlsFailure(const std::string& reason);
// A failed system call in plain words: "connect failed: network is unreachable".
std::string SystemFailure(const char* what, int error);
// "no answer for 3 s": the server sent nothing within the read time-out.
std::string NoAnswerFor(int milliseconds);
// "server took no data for 3 s": a write stalled for the read time-out.
std::string NoDataTakenFor(int milliseconds);
// "no connection within 2 s".
std::string NoConnectionWithin(int milliseconds);
// "check took longer than 30 s".
std::string CheckTookLongerThan(int milliseconds);
// "3 s" for whole seconds, else "1500 ms".
std::string DurationText(int milliseconds);

}  // namespace reason
}  // namespace larkspire
