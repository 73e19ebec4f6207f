#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "CliTestSupport.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackServer.h"

namespace larkspire::test {
namespace {

std::vector<nlohmann::json> ParsedLines(const std::string& text)
{
    std::vector<nlohmann::json> objects;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) objects.push_back(nlohmann::json::parse(line));
    return objects;
}

// A URL list whose second line is the case's path after a refused loopback port, written in the case's bytes; its
// third line is moved by a redirect.
struct JsonCase {
    const char* name;
    std::string prefix;   // bytes before the first line: a byte-order mark, or nothing
    std::string path;     // the second URL's path as the list file holds it (UTF-8 or Windows-1252 bytes)
    std::string urlTail;  // what the JSON's "url" holds after the port, in UTF-8
};

void PrintTo(const JsonCase& c, std::ostream* out) { *out << c.name; }

class CliJson : public testing::TestWithParam<JsonCase> {};

// The reason holds the failure's reason only: how long the check took and where it was moved to have keys of their
// own, and a check that got no answer has "ms": null.
TEST_P(CliJson, EveryLineIsAValidObjectInTableOrder)
{
    const JsonCase& json = GetParam();
    const LoopbackServer server(AnswerByPath{});
    const RefusedPort refused;
    const std::string base = "http://127.0.0.1:" + std::to_string(server.Port());
    const std::string refusedBase = "http://127.0.0.1:" + std::to_string(refused.Port()) + "/";
    const TestFolder folder;
    WriteBytes(folder.Path("urls.txt"),
               json.prefix + base + "/200\r\n" + refusedBase + json.path + "\r\n" + base + "/301\r\n");

    const CliOutcome outcome = RunCli({"--urls", folder.Path("urls.txt"), "--json", "-", "--timeout", "5"});

    ASSERT_EQ(outcome.status, 0) << outcome.err;
    for (const char c : outcome.out) EXPECT_FALSE(c != '\n' && static_cast<unsigned char>(c) < 0x20) << outcome.out;
    std::vector<nlohmann::json> objects;
    ASSERT_NO_THROW(objects = ParsedLines(outcome.out)) << outcome.out;
    ASSERT_EQ(objects.size(), 3u) << outcome.out;
    for (const int answered : {0, 2}) {
        ASSERT_TRUE(objects[answered]["ms"].is_number_integer()) << objects[answered];
        EXPECT_GE(objects[answered]["ms"].get<int>(), 0);
        objects[answered]["ms"] = 0;
    }
    EXPECT_EQ(objects[0], nlohmann::json({{"url", base + "/200"}, {"status", "Completed"}, {"reason", ""}, {"ms", 0}}));
    const nlohmann::json refusedRow = {
        {"url", refusedBase + json.urlTail}, {"status", "Aborted"}, {"reason", "connection refused"}, {"ms", nullptr}};
    EXPECT_EQ(objects[1], refusedRow);
    EXPECT_EQ(objects[2], nlohmann::json({{"url", base + "/301"},
                                          {"status", "Completed"},
                                          {"reason", ""},
                                          {"ms", 0},
                                          {"final_url", base + "/200"}}));
    EXPECT_EQ(outcome.out.substr(0, outcome.out.find(',')), "{\"url\":\"" + base + "/200\"") << "url comes first";
}

const std::string Utf8Bom = "\xEF\xBB\xBF";

const JsonCase JsonCases[] = {
    {"control_characters", Utf8Bom,
     "a\x01"
     "b\x1b"
     "c\x7f\"q\"\\",
     "a\x01"
     "b\x1b"
     "c\x7f\"q\"\\"},
    {"non_ascii_utf8", Utf8Bom, "caf\xC3\xA9/\xE6\x97\xA5\xF0\x9F\x98\x80", "caf\xC3\xA9/\xE6\x97\xA5\xF0\x9F\x98\x80"},
    // Bytes that are not UTF-8 are read as Windows-1252, so they reach the JSON as the letters they stand for.
    {"invalid_utf8_bytes", "", "caf\xE9\x80\xFF", "caf\xC3\xA9\xE2\x82\xAC\xC3\xBF"},
};

INSTANTIATE_TEST_SUITE_P(Texts, CliJson, testing::ValuesIn(JsonCases),
                         [](const testing::TestParamInfo<JsonCase>& info) { return std::string(info.param.name); });

// A UTF-16 list may hold a lone surrogate, which no UTF-8 can spell: the line is still valid JSON, with "?" in its
// place as in the TSV results.
TEST(CliJsonText, LoneSurrogateOfAUtf16ListBecomesAQuestionMark)
{
    const RefusedPort refused;
    const std::string url = "http://127.0.0.1:" + std::to_string(refused.Port()) + "/x";
    std::string bytes = "\xFF\xFE";
    for (const char c : url) bytes += std::string{c, '\0'};
    bytes += std::string("\x00\xD8", 2) + std::string("y\0\r\0\n\0", 6);
    const TestFolder folder;
    WriteBytes(folder.Path("urls.txt"), bytes);

    const CliOutcome outcome = RunCli({"--urls", folder.Path("urls.txt"), "--json", folder.Path("out.json")});

    ASSERT_EQ(outcome.status, 0) << outcome.err;
    std::vector<nlohmann::json> objects;
    ASSERT_NO_THROW(objects = ParsedLines(ReadBytes(folder.Path("out.json"))));
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0]["url"], url + "?y");
}

TEST(CliJsonText, AFileThatCannotBeWrittenIsAFileError)
{
    const RefusedPort refused;
    const TestFolder folder;
    WriteBytes(folder.Path("urls.txt"), "http://127.0.0.1:" + std::to_string(refused.Port()) + "/\n");

    const CliOutcome outcome =
        RunCli({"--urls", folder.Path("urls.txt"), "--json", folder.Path("missing/out.json"), "--results", "-"});

    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("out.json"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.out.find("\tAborted\t"), std::string::npos) << "the other output is still written";
}

}  // namespace
}  // namespace larkspire::test
