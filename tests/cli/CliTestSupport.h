#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <string>
#include <string_view>

namespace larkspire::test {

// A folder of its own for the files of one test.
class TestFolder {
public:
    std::string Path(const std::string& name) const
    {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }

private:
    QTemporaryDir dir_;
};

// Expected bytes written out in full, with every "%PORT" (or other mark) replaced by a port known only at run time.
std::string WithPort(std::string text, std::uint16_t port, std::string_view mark = "%PORT");

// Results text with every check time ("in 42 ms") written as "in N ms", the one part that varies between runs.
std::string WithoutMilliseconds(const std::string& text);

// Lines joined with CR LF after each, the way the window writes exports and users write lists (ASCII only).
std::string CrLfLines(const QStringList& lines);

}  // namespace larkspire::test
