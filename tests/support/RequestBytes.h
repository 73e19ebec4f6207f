#pragma once

#include <string>

namespace larkspire::test {

// The request head the program sends for a plain GET: request line, Host, Accept, any extra header lines
// (each ending in CR LF), then the empty line.
inline std::string ExpectedGet(const std::string& target, const std::string& host, const std::string& extraLines = "")
{
    return "GET " + target + " HTTP/1.1\r\nHost: " + host +
           "\r\nAccept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n" + extraLines + "\r\n";
}

// A complete response with a Content-Length body.
inline std::string Response(const std::string& statusLine, const std::string& headerLines, const std::string& body)
{
    return statusLine + "\r\n" + headerLines + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace larkspire::test
