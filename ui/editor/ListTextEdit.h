#pragma once

#include "ui/editor/EditHistory.h"

#include <QPlainTextEdit>
#include <QStringList>

#include <memory>

class QMenu;

namespace larkspire {

// The list editor's text area: plain text in a fixed-width font, line numbers in a gutter, a guide line
// after column 80, TABs four spaces wide, a new line indented like the one before it, no wrapping and
// no colouring, and an undo history of at most 100 steps.
class ListTextEdit final : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr int MaxUndoSteps = 100;
    static constexpr int GuideColumn = 80;

    explicit ListTextEdit(QWidget* parent = nullptr);

    // The text's lines: one per line shown, the empty text giving none.
    QStringList Lines() const;
    // Shows `lines`, with no selection, the caret at the start and an empty undo history.
    void SetLines(const QStringList& lines);
    // Brings every line to its counterpart in `lines`, changing only the lines that differ, as one undo
    // step; the caret stays where it was. For lines changed in place, such as trimmed ones.
    void UpdateLines(const QStringList& lines);

    bool CanUndo() const;
    bool CanRedo() const;
    int UndoSteps() const;
    void Undo();
    void Redo();

    // The standard context menu, its Undo and Redo acting on the bounded history.
    std::unique_ptr<QMenu> CreateContextMenu(const QPoint& position);

    // The gutter's width for the present number of lines.
    int LineNumberAreaWidth() const;
    // The x position, in the viewport, of the guide line.
    int GuideLineX() const;

signals:
    // Whether undo or redo is possible may have changed.
    void UndoChange();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class LineNumberArea;

    void InsertIndentedLineBreak();
    void MoveCaretTo(int position);
    void PaintLineNumbers(QPaintEvent* event);
    void PlaceGutter();
    void UpdateGutter(const QRect& rect, int dy);

    EditHistory history_;
    QWidget* lineNumberArea_;
};

}  // namespace larkspire
