#pragma once

#include <QString>

#include <optional>

class QTextDocument;

namespace larkspire {

struct SearchOptions {
    bool caseSensitive = false;
    // The search text is a regular expression (Perl syntax, QRegularExpression); otherwise it is taken
    // literally.
    bool expression = false;
    // A match must not have a word character (letter, digit, "_") directly before or after it.
    bool wholeWord = false;
};

enum class SearchDirection { Down, Up };

// A match as document positions: its first character and the position after its last.
struct TextRange {
    int start;
    int end;

    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// The nearest match of `text` in `document` from `position`, line by line and without wrapping: Down,
// the first match starting at or after `position`; Up, the last match ending at or before it. A match
// never spans lines and is never empty. No match for an empty text or an invalid expression.
std::optional<TextRange> FindText(const QTextDocument& document, const QString& text, const SearchOptions& options,
                                  int position, SearchDirection direction);

}  // namespace larkspire
