#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace larkspire {

// The program's ANSI code page, Windows-1252, converted as Windows converts it: 80-9F by the code
// page's table and the five bytes it leaves undefined (81, 8D, 8F, 90, 9D) to the control characters
// of the same value, so every byte round-trips. A character the code page lacks is written "?".

QString DecodeAnsi(std::string_view bytes);

QByteArray EncodeAnsi(QStringView text);

// Whether every character of `text` has a byte in the code page, so that encoding it writes no "?".
bool FitsAnsi(QStringView text);

// Appends the encoding of `text` to `out`.
void AppendAnsi(QStringView text, std::string& out);

}  // namespace larkspire
