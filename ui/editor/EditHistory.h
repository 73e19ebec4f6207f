#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>

class QTextDocument;

namespace larkspire {

// The undo history of a plain-text document, bounded to a number of steps. QTextDocument's own history
// cannot drop its oldest step, so the document's history is switched off and every change is recorded
// here instead, as the text it replaced and the text it brought, on a QUndoStack whose limit drops the
// oldest step. Consecutive typed characters, and consecutive deletions by Backspace or Delete, make one
// step; every other change (a paste, a cut, a new line, a change made in one edit block) is a step of
// its own.
class EditHistory final : public QObject {
    Q_OBJECT

public:
    EditHistory(QTextDocument& document, int maxSteps);
    ~EditHistory() override;

    bool CanUndo() const;
    bool CanRedo() const;
    int UndoSteps() const;
    // Each returns the position after the text it put back, where the caret belongs; -1 when there was
    // nothing to do.
    int Undo();
    int Redo();
    // Forgets every step; the document's present text is the start of the next one.
    void Clear();

signals:
    // Whether undo or redo is possible may have changed.
    void Changed();

private:
    friend class RecordedChange;

    void DocumentChanged(int position, int removedCount, int addedCount);
    QString DocumentText(int position, int count) const;
    // Puts `text` in place of the `length` characters at `position`, without recording it.
    void Replay(int position, int length, const QString& text);

    QTextDocument& document_;
    // The document's characters as they were before the change being reported, block separators included.
    QString shadow_;
    QUndoStack stack_;
    bool replaying_ = false;
    int replayEnd_ = -1;
};

}  // namespace larkspire
