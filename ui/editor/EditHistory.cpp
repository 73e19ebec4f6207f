#include "ui/editor/EditHistory.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QUndoCommand>

namespace larkspire {

// One step of the history: at `position`, `added` took the place of `removed`.
class RecordedChange final : public QUndoCommand {
public:
    RecordedChange(EditHistory& history, int position, QString removed, QString added)
        : history_(history), position_(position), removed_(std::move(removed)), added_(std::move(added))
    {}

    void undo() override { history_.Replay(position_, added_.size(), removed_); }

    void redo() override
    {
        // The first redo comes from QUndoStack::push, when the change is already in the document.
        if (alreadyDone_) {
            alreadyDone_ = false;
            return;
        }
        history_.Replay(position_, removed_.size(), added_);
    }

    int id() const override { return 1; }

    bool mergeWith(const QUndoCommand* other) override
    {
        const auto& next = static_cast<const RecordedChange&>(*other);
        if (IsTyping() && next.IsTyping() && next.position_ == position_ + added_.size()) {
            added_ += next.added_;
            return true;
        }
        if (IsDeletion() && next.IsDeletion()) {
            if (next.position_ == position_) {  // Delete
                removed_ += next.removed_;
                return true;
            }
            if (next.position_ + next.removed_.size() == position_) {  // Backspace
                removed_.prepend(next.removed_);
                position_ = next.position_;
                return true;
            }
        }
        return false;
    }

private:
    // Characters inserted on one line, without replacing anything.
    bool IsTyping() const { return removed_.isEmpty() && !added_.contains(QChar::ParagraphSeparator); }
    bool IsDeletion() const { return added_.isEmpty() && removed_.size() == 1; }

    EditHistory& history_;
    int position_;
    QString removed_;
    QString added_;
    bool alreadyDone_ = true;
};

namespace {

// The change without the characters that the removed and the added text share at both ends, so that a
// change reported over a wider range than it touched (Qt does so, for instance at the document's
// end) is stored and replayed as what it really did.
void TrimSharedEnds(int& position, QString& removed, QString& added)
{
    qsizetype prefix = 0;
    while (prefix < removed.size() && prefix < added.size() && removed[prefix] == added[prefix]) ++prefix;
    qsizetype suffix = 0;
    while (suffix < removed.size() - prefix && suffix < added.size() - prefix &&
           removed[removed.size() - 1 - suffix] == added[added.size() - 1 - suffix])
        ++suffix;
    position += int(prefix);
    removed = removed.mid(prefix, removed.size() - prefix - suffix);
    added = added.mid(prefix, added.size() - prefix - suffix);
}

}  // namespace

EditHistory::EditHistory(QTextDocument& document, int maxSteps) : document_(document)
{
    document_.setUndoRedoEnabled(false);
    stack_.setUndoLimit(maxSteps);
    shadow_ = DocumentText(0, document_.characterCount());
    connect(&document_, &QTextDocument::contentsChange, this, &EditHistory::DocumentChanged);
    connect(&stack_, &QUndoStack::canUndoChanged, this, &EditHistory::Changed);
    connect(&stack_, &QUndoStack::canRedoChanged, this, &EditHistory::Changed);
}

EditHistory::~EditHistory()
{
    // The stack says it can no longer undo while it is destroyed, when its listeners may be gone.
    disconnect(&stack_, nullptr, this, nullptr);
}

bool EditHistory::CanUndo() const { return stack_.canUndo(); }

bool EditHistory::CanRedo() const { return stack_.canRedo(); }

int EditHistory::UndoSteps() const { return stack_.index(); }

int EditHistory::Undo()
{
    replayEnd_ = -1;
    stack_.undo();
    return replayEnd_;
}

int EditHistory::Redo()
{
    replayEnd_ = -1;
    stack_.redo();
    return replayEnd_;
}

void EditHistory::Clear()
{
    stack_.clear();
    shadow_ = DocumentText(0, document_.characterCount());
}

void EditHistory::DocumentChanged(int position, int removedCount, int addedCount)
{
    // Qt may report a range running past the end of the document; only what exists can have changed.
    removedCount = int(qMin<qsizetype>(removedCount, shadow_.size() - position));
    addedCount = qMin(addedCount, document_.characterCount() - position);
    QString removed = shadow_.mid(position, removedCount);
    QString added = DocumentText(position, addedCount);
    shadow_.replace(position, removedCount, added);
    if (shadow_.size() != document_.characterCount()) {
        // A report that does not add up cannot be undone safely: start again from the present text.
        Clear();
        return;
    }
    if (replaying_) return;
    TrimSharedEnds(position, removed, added);
    if (removed.isEmpty() && added.isEmpty()) return;  // a change of format only
    stack_.push(new RecordedChange(*this, position, std::move(removed), std::move(added)));
}

QString EditHistory::DocumentText(int position, int count) const
{
    // A few characters are read one by one; for more, copying the whole text is much faster.
    constexpr int FewCharacters = 256;
    if (count > FewCharacters) return (document_.toRawText() + QChar::ParagraphSeparator).mid(position, count);
    QString text;
    text.reserve(count);
    for (int i = position; i < position + count; ++i) text += document_.characterAt(i);
    return text;
}

void EditHistory::Replay(int position, int length, const QString& text)
{
    replaying_ = true;
    QTextCursor cursor(&document_);
    cursor.beginEditBlock();
    cursor.setPosition(position);
    cursor.setPosition(position + length, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    cursor.endEditBlock();
    replaying_ = false;
    replayEnd_ = position + int(text.size());
}

}  // namespace larkspire
