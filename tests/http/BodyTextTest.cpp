#include <gtest/gtest.h>

#include "http/BodyText.h"

namespace larkspire {
namespace {

struct DecodeCase {
    const char* Name;
    std::string Body;
    std::u16string ContentType;
    std::u16string Text;
};

void PrintTo(const DecodeCase& param, std::ostream* out) { *out << param.Name; }

class BodyDecoding : public testing::TestWithParam<DecodeCase> {};

TEST_P(BodyDecoding, FollowsTheDeclaredCharset)
{
    EXPECT_EQ(DecodeBodyText(GetParam().Body, GetParam().ContentType), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Charsets, BodyDecoding,
    testing::Values(
        DecodeCase{"Utf8", "caf\xC3\xA9 \xF0\x9F\x98\x80", u"text/html; charset=UTF-8", u"caf\u00e9 \U0001F600"},
        DecodeCase{"Utf8QuotedWithByteOrderMark", "\xEF\xBB\xBFok", u"text/plain;charset=\"utf-8\"", u"ok"},
        DecodeCase{"Utf8InvalidSequences", "bad \xC3 \xED\xA0\x80 \xC0\xAF end", u"text/plain; charset=utf-8",
                   u"bad \uFFFD \uFFFD\uFFFD\uFFFD \uFFFD\uFFFD end"},
        DecodeCase{"Windows1252", "\x80\x81\x9F\xE9", u"text/html; charset=windows-1252", u"\u20AC\u0081\u0178\u00E9"},
        DecodeCase{"Latin1AsWindows1252", "\x80\xE9", u"text/html; charset=ISO-8859-1", u"\u20AC\u00E9"},
        DecodeCase{"UnknownCharsetKeepsBytes", "\x80\xE9", u"text/html; charset=koi8-r", u"\u0080\u00E9"},
        DecodeCase{"NoCharsetKeepsBytes", "\x80\xE9", u"application/octet-stream", u"\u0080\u00E9"},
        DecodeCase{"NoContentTypeKeepsBytes", "\x80\xE9", u"", u"\u0080\u00E9"},
        // Meta tags count for HTML only, and the header wins over them.
        DecodeCase{"HtmlMetaCharset", "<html><head><META Charset='utf-8'></head>\xC3\xA9", u"text/html",
                   u"<html><head><META Charset='utf-8'></head>\u00e9"},
        DecodeCase{"HtmlMetaHttpEquiv",
                   "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\xC3\xA9", u"text/html",
                   u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\u00e9"},
        DecodeCase{"MetaIgnoredOutsideHtml", "<meta charset=utf-8>\xC3\xA9", u"text/plain",
                   u"<meta charset=utf-8>\u00C3\u00A9"},
        DecodeCase{"HeaderWinsOverMeta", "<meta charset=utf-8>\x80", u"text/html; charset=windows-1252",
                   u"<meta charset=utf-8>\u20AC"},
        DecodeCase{"MetadataTagIsNoMeta", "<metadata charset=utf-8>\xC3\xA9", u"text/html",
                   u"<metadata charset=utf-8>\u00C3\u00A9"}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.Name); });

TEST(BodyCharset, IsFoundInContentTypeAndMetaTags)
{
    EXPECT_EQ(CharsetOfContentType(u"text/html; Charset = 'latin1' ; q=1"), u"latin1");
    EXPECT_EQ(CharsetOfContentType(u"text/html"), u"");
    EXPECT_EQ(
        CharsetOfHtmlMeta("<meta name=x><meta http-equiv=refresh content=\"0; charset=no\"><meta charset=\"koi8-r\">"),
        u"koi8-r");
    EXPECT_EQ(CharsetOfHtmlMeta("<meta charset"), u"");
    EXPECT_EQ(CharsetOfHtmlMeta("<meta content='unterminated"), u"");
}

}  // namespace
}  // namespace larkspire
