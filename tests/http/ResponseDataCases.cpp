#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "base/AsciiText.h"
#include "http/HttpResponseReader.h"
#include "tests/http/ScriptedByteSource.h"

namespace larkspire {
namespace {

// A case file holds sections opened by "--- name" lines: the server's reply bytes and what the reader
// must make of them. Lines end in CR LF on the wire; "\xHH" writes a raw byte in the reply.
class ResponseCase {
public:
    explicit ResponseCase(const std::string& fileName)
    {
        std::ifstream file(std::filesystem::path(LARKSPIRE_TEST_DATA_DIR) / fileName, std::ios::binary);
        if (!file) throw std::runtime_error("missing test data " + fileName);
        std::string line;
        std::string* section = nullptr;
        while (std::getline(file, line)) {
            if (line.starts_with("--- ")) {
                section = &sections_[line.substr(4)];
            } else if (section) {
                *section += line + "\n";
            }
        }
    }

    bool Has(const std::string& name) const { return sections_.contains(name); }

    // The section as wire bytes; trimLastNewline drops the line end that only closes the section.
    std::string Bytes(const std::string& name, bool trimLastNewline) const
    {
        std::string text = sections_.at(name);
        if (trimLastNewline && !text.empty()) text.pop_back();
        std::string bytes;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                bytes += "\r\n";
            } else if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size()) {
                bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
                i += 3;
            } else {
                bytes += text[i];
            }
        }
        return bytes;
    }

    std::vector<std::string> Lines(const std::string& name) const
    {
        std::vector<std::string> lines;
        std::istringstream in(sections_.at(name));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

private:
    std::map<std::string, std::string> sections_;
};

class ResponseDataCase : public testing::TestWithParam<std::string> {};

TEST_P(ResponseDataCase, ReadsHeadBodyAndStopsAtTheNextResponse)
{
    const ResponseCase data(GetParam());
    // Every case is read once in one piece and once a byte at a time.
    for (const std::size_t piece : {SIZE_MAX, std::size_t{1}}) {
        SCOPED_TRACE(piece == 1 ? "one byte per read" : "one piece");
        ScriptedByteSource source;
        source.Send(data.Bytes("reply", false)).MaxPiece(piece);
        HttpResponseReader reader(source);

        ResponseHead head = reader.ReadHead();
        const ResponseBody body = reader.ReadBody(head);
        EXPECT_EQ(head.Code, std::stoi(data.Lines("code").at(0)));
        if (data.Has("status")) {
            EXPECT_EQ(ToAsciiBytes(head.StatusLine), data.Lines("status").at(0));
        }
        if (data.Has("headers")) {
            for (const std::string& field : data.Lines("headers")) {
                const std::size_t colon = field.find(": ");
                const std::u16string name = FromAsciiBytes(field.substr(0, colon));
                EXPECT_EQ(ToAsciiBytes(head.Headers.Value(name)), field.substr(colon + 2)) << field;
            }
        }
        EXPECT_EQ(body.Bytes, data.Bytes("body", true));
        EXPECT_FALSE(body.Truncated);
        if (data.Has("next-code")) {
            EXPECT_EQ(reader.ReadHead().Code, std::stoi(data.Lines("next-code").at(0)));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ResponseDataCase,
                         testing::Values("continue_then_ok.txt", "chunked_nonhex_size.txt",
                                         "chunked_with_extensions.txt", "multipart_to_boundary.txt",
                                         "headers_folded_and_odd.txt"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param.substr(0, info.param.find('.'));
                         });

}  // namespace
}  // namespace larkspire
