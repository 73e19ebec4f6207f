#include "CliTestSupport.h"

#include <regex>

namespace larkspire::test {

std::string WithPort(std::string text, std::uint16_t port, std::string_view mark)
{
    const std::string number = std::to_string(port);
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + number.size()))
        text.replace(at, mark.size(), number);
    return text;
}

std::string WithoutMilliseconds(const std::string& text)
{
    return std::regex_replace(text, std::regex("in [0-9]+ ms"), "in N ms");
}

std::string CrLfLines(const QStringList& lines)
{
    std::string text;
    for (const QString& line : lines) text += line.toStdString() + "\r\n";
    return text;
}

}  // namespace larkspire::test
