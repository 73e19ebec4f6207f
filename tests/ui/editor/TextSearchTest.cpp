#include "ui/editor/TextSearch.h"

#include <QTextDocument>

#include <gtest/gtest.h>

namespace larkspire {
namespace {

struct SearchCase {
    const char* name;
    QString text;
    SearchOptions options;
    int position;
    SearchDirection direction;
    std::optional<TextRange> expected;
};

// Line starts: "alpha Beta beta" 0, "xbetax beta_x" 16, "" 30, "Gamma beta" 31 (its "beta" at 37).
const QString Document = QStringLiteral("alpha Beta beta\nxbetax beta_x\n\nGamma beta");

constexpr SearchOptions Plain{};
constexpr SearchOptions CaseSensitive{true, false, false};
constexpr SearchOptions WholeWord{false, false, true};
constexpr SearchOptions Expression{false, true, false};
constexpr SearchOptions ExpressionCaseSensitive{true, true, false};
constexpr SearchOptions ExpressionWholeWord{false, true, true};

using enum SearchDirection;

const SearchCase Cases[] = {
    {"down from the start finds the first, case ignored", "beta", Plain, 0, Down, TextRange{6, 10}},
    {"down from inside a match finds the next", "beta", Plain, 7, Down, TextRange{11, 15}},
    {"down from a match's start finds that match", "beta", Plain, 11, Down, TextRange{11, 15}},
    {"down continues on the following lines", "beta", Plain, 15, Down, TextRange{17, 21}},
    {"down does not wrap", "alpha", Plain, 1, Down, std::nullopt},
    {"down with case", "Beta", CaseSensitive, 7, Down, std::nullopt},
    {"down with case, first", "beta", CaseSensitive, 0, Down, TextRange{11, 15}},
    {"up finds the last match ending by the position", "beta", Plain, 15, Up, TextRange{11, 15}},
    {"up skips a match the position is inside", "beta", Plain, 14, Up, TextRange{6, 10}},
    {"up continues on earlier lines", "beta", Plain, 31, Up, TextRange{23, 27}},
    {"up does not wrap", "gamma", Plain, 30, Up, std::nullopt},
    {"up with case", "beta", CaseSensitive, 10, Up, std::nullopt},
    {"whole word skips a match inside a word", "beta", WholeWord, 16, Down, TextRange{37, 41}},
    {"whole word: underscore is a word character", "beta", WholeWord, 23, Down, TextRange{37, 41}},
    {"whole word up", "beta", WholeWord, 36, Up, TextRange{11, 15}},
    {"expression", "b.t[a-z]", Expression, 0, Down, TextRange{6, 10}},
    {"expression with case", "B.t", ExpressionCaseSensitive, 7, Down, std::nullopt},
    {"expression anchors at the line's start", "^g\\w+", Expression, 1, Down, TextRange{31, 36}},
    {"expression never spans lines", "_x\\s+", Expression, 20, Down, std::nullopt},
    {"empty matches are skipped", "z*", Expression, 0, Down, std::nullopt},
    {"expression whole word", "b\\w+", ExpressionWholeWord, 16, Down, TextRange{23, 29}},
    {"an invalid expression finds nothing", "(beta", Expression, 0, Down, std::nullopt},
    {"the text is literal without Expression", "b.ta", Plain, 0, Down, std::nullopt},
    {"an empty text finds nothing", "", Plain, 0, Down, std::nullopt},
};

TEST(TextSearch, FindsTheNearestMatchLineByLine)
{
    QTextDocument document;
    document.setPlainText(Document);
    for (const SearchCase& c : Cases) {
        SCOPED_TRACE(c.name);
        const std::optional<TextRange> found = FindText(document, c.text, c.options, c.position, c.direction);
        EXPECT_EQ(found.has_value(), c.expected.has_value());
        if (found && c.expected) {
            EXPECT_EQ(found->start, c.expected->start);
            EXPECT_EQ(found->end, c.expected->end);
        }
    }
}

TEST(TextSearch, WholeWordLooksAtOverlappingMatches)
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("aaa aa"));
    const auto found = FindText(document, QStringLiteral("aa"), WholeWord, 0, SearchDirection::Down);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, (TextRange{4, 6}));
    const auto back = FindText(document, QStringLiteral("aa"), WholeWord, 6, SearchDirection::Up);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, (TextRange{4, 6}));
}

TEST(TextSearch, LettersOfAnyScriptAreWordCharacters)
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("\u00e9t\u00e9 t\u00e9 t\u00e9l"));
    const auto found = FindText(document, QStringLiteral("T\u00c9"), WholeWord, 0, SearchDirection::Down);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, (TextRange{4, 6}));
}

}  // namespace
}  // namespace larkspire
