#include "ui/editor/TextSearch.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>

namespace larkspire {
namespace {

bool IsWordCharacter(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

bool StandsAlone(const QString& line, qsizetype start, qsizetype end)
{
    return (start == 0 || !IsWordCharacter(line[start - 1])) && (end == line.size() || !IsWordCharacter(line[end]));
}

QRegularExpression SearchExpression(const QString& text, const SearchOptions& options)
{
    QRegularExpression::PatternOptions patternOptions = QRegularExpression::UseUnicodePropertiesOption;
    if (!options.caseSensitive) patternOptions |= QRegularExpression::CaseInsensitiveOption;
    return QRegularExpression(options.expression ? text : QRegularExpression::escape(text), patternOptions);
}

// Walks the acceptable matches of one line from its start, overlapping ones included, so that a match
// refused for being part of a word does not hide one that starts inside it.
class LineMatches {
public:
    LineMatches(const QRegularExpression& expression, const QString& line, bool wholeWord)
        : expression_(expression), line_(line), wholeWord_(wholeWord)
    {}

    // The next acceptable match starting at or after `from`.
    std::optional<TextRange> Next(qsizetype from) const
    {
        while (from <= line_.size()) {
            const QRegularExpressionMatch match = expression_.match(line_, from);
            if (!match.hasMatch()) return std::nullopt;
            const qsizetype start = match.capturedStart();
            const qsizetype end = match.capturedEnd();
            if (end > start && (!wholeWord_ || StandsAlone(line_, start, end))) return TextRange{int(start), int(end)};
            from = start + 1;
        }
        return std::nullopt;
    }

    // The last acceptable match ending at or before `limit`.
    std::optional<TextRange> LastEndingBy(qsizetype limit) const
    {
        std::optional<TextRange> last;
        for (std::optional<TextRange> match = Next(0); match && match->start < limit; match = Next(match->start + 1))
            if (match->end <= limit) last = match;
        return last;
    }

private:
    const QRegularExpression& expression_;
    const QString& line_;
    bool wholeWord_;
};

std::optional<TextRange> InDocument(const QTextBlock& block, std::optional<TextRange> match)
{
    if (!match) return std::nullopt;
    return TextRange{block.position() + match->start, block.position() + match->end};
}

}  // namespace

std::optional<TextRange> FindText(const QTextDocument& document, const QString& text, const SearchOptions& options,
                                  int position, SearchDirection direction)
{
    const QRegularExpression expression = SearchExpression(text, options);
    if (text.isEmpty() || !expression.isValid()) return std::nullopt;
    QTextBlock block = document.findBlock(position);
    int column = position - block.position();
    while (block.isValid()) {
        const QString line = block.text();
        const LineMatches matches(expression, line, options.wholeWord);
        if (direction == SearchDirection::Down) {
            if (auto match = InDocument(block, matches.Next(column))) return match;
            block = block.next();
            column = 0;
        } else {
            if (auto match = InDocument(block, matches.LastEndingBy(column))) return match;
            block = block.previous();
            column = int(block.text().size());
        }
    }
    return std::nullopt;
}

}  // namespace larkspire
