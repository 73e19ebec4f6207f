#include "lists/AnsiCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace larkspire {
namespace {

TEST(AnsiCodec, EveryByteRoundTrips)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
    const QString text = DecodeAnsi(all);
    ASSERT_EQ(text.size(), 256);
    const QByteArray back = EncodeAnsi(text);
    EXPECT_EQ(std::string(back.constData(), static_cast<std::size_t>(back.size())), all);
}

TEST(AnsiCodec, DecodesTheWindows1252Table)
{
    // clang-format off
    const std::vector<std::pair<unsigned char, char16_t>> cases = {
        {0x41, u'A'},     {0x80, 0x20AC}, {0x81, 0x0081}, {0x82, 0x201A}, {0x8A, 0x0160},
        {0x8D, 0x008D},   {0x8F, 0x008F}, {0x90, 0x0090}, {0x91, 0x2018}, {0x99, 0x2122},
        {0x9D, 0x009D},   {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xC3, 0x00C3}, {0xFF, 0x00FF},
        {0x00, 0x0000},
    };
    // clang-format on
    for (const auto& [byte, unit] : cases) {
        const QString text = DecodeAnsi(std::string(1, static_cast<char>(byte)));
        ASSERT_EQ(text.size(), 1);
        EXPECT_EQ(text[0].unicode(), unit) << "byte " << int(byte);
    }
}

TEST(AnsiCodec, CharactersTheCodePageLacksBecomeQuestionMarks)
{
    const QString text = QString::fromUtf8("a\u0100b\u4e2dc\U0001F600d") + QChar(0xD800) + u'e' + QChar(0x0080);
    EXPECT_EQ(EncodeAnsi(text), QByteArray("a?b?c?d?e?"));
}

TEST(AnsiCodec, AppendsToExistingBytes)
{
    std::string bytes = "x";
    AppendAnsi(QString::fromUtf8("\u20ac\u00e9"), bytes);
    EXPECT_EQ(bytes, "x\x80\xE9");
}

}  // namespace
}  // namespace larkspire
