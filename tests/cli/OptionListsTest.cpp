#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "CliProcess.h"

namespace larkspire::test {
namespace {

using OptionSet = std::set<std::string>;

std::string ReadSource(const std::string& relative)
{
    std::ifstream file(std::string(LARKSPIRE_SOURCE_DIR) + "/" + relative);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

OptionSet OptionsIn(const std::string& text, const std::regex& option)
{
    OptionSet options;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), option); match != std::sregex_iterator(); ++match)
        options.insert((*match)[1]);
    return options;
}

// The options --help lists: the words starting its indented option lines ("  -h, --help", "      --version").
OptionSet HelpOptions()
{
    CliProcess help({"--help"});
    const CliOutcome outcome = help.Wait();
    EXPECT_EQ(outcome.status, 0);
    OptionSet options;
    std::istringstream lines(outcome.out);
    const std::regex optionLine(R"(^ +(-[a-z], )?(--[a-z-]+))");
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (!std::regex_search(line, match, optionLine)) continue;
        if (match[1].matched) options.insert(match[1].str().substr(0, 2));
        options.insert(match[2]);
    }
    return options;
}

// The options the man page describes: the dashed words of each ".TP" tag in its OPTIONS section, "\\-" read as "-".
OptionSet ManPageOptions()
{
    const std::string page = ReadSource("man/larkspire-ping.1.in");
    const std::size_t start = page.find("\n.SH OPTIONS\n");
    EXPECT_NE(start, std::string::npos);
    const std::string section =
        std::regex_replace(page.substr(start, page.find("\n.SH ", start + 1) - start), std::regex(R"(\\-)"), "-");
    OptionSet options;
    std::istringstream lines(section);
    bool tagFollows = false;
    for (std::string line; std::getline(lines, line);) {
        if (tagFollows) options.merge(OptionsIn(line, std::regex(R"((?:^|\s)(--?[a-z][a-z-]*))")));
        tagFollows = line == ".TP";
    }
    return options;
}

TEST(OptionLists, ManPageDescribesEveryOptionOfHelp)
{
    const OptionSet help = HelpOptions();
    EXPECT_TRUE(help.contains("--websites") && help.contains("-h")) << "the help text's option lines were not read";
    EXPECT_EQ(ManPageOptions(), help);
}

TEST(OptionLists, CompletionOffersEveryLongOptionOfHelp)
{
    const std::string script = ReadSource("completion/larkspire-ping");
    const std::size_t start = script.find("options=\"");
    ASSERT_NE(start, std::string::npos);
    const std::string words = script.substr(start, script.find('"', start + 9) - start);
    OptionSet longHelp;
    for (const std::string& option : HelpOptions())
        if (option.starts_with("--")) longHelp.insert(option);
    EXPECT_EQ(OptionsIn(words, std::regex(R"((--[a-z-]+))")), longHelp);
}

}  // namespace
}  // namespace larkspire::test
