#include "ui/editor/ListTextEdit.h"

#include <QAction>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

#include <memory>

namespace larkspire {

// The gutter at the left edge; its owner paints it.
class LineNumberArea final : public QWidget {
public:
    explicit LineNumberArea(ListTextEdit& editor) : QWidget(&editor), editor_(editor) {}

    QSize sizeHint() const override { return {editor_.LineNumberAreaWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { editor_.PaintLineNumbers(event); }

private:
    ListTextEdit& editor_;
};

namespace {

constexpr int TabWidthInSpaces = 4;

// A thumb darker than its track, with no arrow buttons. The default style draws the thumb lighter than the
// track: for a file a little longer than the window the large light thumb at the top reads as track and the
// short track below it as the thumb, which then seems to run backwards.
const QString ScrollBarStyle =
    QStringLiteral("QScrollBar { background: palette(window); }"
                   "QScrollBar:vertical { width: 14px; }"
                   "QScrollBar:horizontal { height: 14px; }"
                   "QScrollBar::handle { background: palette(mid); border-radius: 3px; margin: 2px; }"
                   "QScrollBar::handle:vertical { min-height: 24px; }"
                   "QScrollBar::handle:horizontal { min-width: 24px; }"
                   "QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; }"
                   "QScrollBar::add-page, QScrollBar::sub-page { background: none; }");
constexpr int GutterPadding = 4;

// "Courier New" when the system has it, otherwise the system's fixed-width font; at the default size.
QFont EditorFont()
{
    QFont font = QGuiApplication::font();
    const QString courier = QStringLiteral("Courier New");
    font.setFamily(QFontDatabase::families().contains(courier)
                       ? courier
                       : QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QString LeadingBlanks(const QString& line)
{
    qsizetype length = 0;
    while (length < line.size() && (line[length] == QLatin1Char(' ') || line[length] == QLatin1Char('\t'))) ++length;
    return line.left(length);
}

}  // namespace

ListTextEdit::ListTextEdit(QWidget* parent)
    : QPlainTextEdit(parent), history_(*document(), MaxUndoSteps), lineNumberArea_(new LineNumberArea(*this))
{
    setFont(EditorFont());
    setTabStopDistance(TabWidthInSpaces * QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    verticalScrollBar()->setStyleSheet(ScrollBarStyle);
    horizontalScrollBar()->setStyleSheet(ScrollBarStyle);
    connect(&history_, &EditHistory::Changed, this, &ListTextEdit::UndoChange);
    connect(this, &QPlainTextEdit::blockCountChanged, this, &ListTextEdit::PlaceGutter);
    connect(this, &QPlainTextEdit::updateRequest, this, &ListTextEdit::UpdateGutter);
    PlaceGutter();
}

QStringList ListTextEdit::Lines() const
{
    QStringList lines;
    if (document()->isEmpty()) return lines;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) lines.append(block.text());
    return lines;
}

void ListTextEdit::SetLines(const QStringList& lines)
{
    setPlainText(lines.join(QLatin1Char('\n')));
    MoveCaretTo(0);
    history_.Clear();
}

void ListTextEdit::UpdateLines(const QStringList& lines)
{
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    QTextBlock block = document()->begin();
    for (const QString& line : lines) {
        if (!block.isValid()) break;
        const QString shown = block.text();
        if (shown != line) {
            // A line that only lost its end keeps its start untouched, so the caret in it stays put.
            const int unchanged = shown.startsWith(line) ? int(line.size()) : 0;
            cursor.setPosition(block.position() + unchanged);
            cursor.setPosition(block.position() + int(shown.size()), QTextCursor::KeepAnchor);
            cursor.insertText(line.mid(unchanged));
        }
        block = block.next();
    }
    cursor.endEditBlock();
}

bool ListTextEdit::CanUndo() const { return history_.CanUndo(); }

bool ListTextEdit::CanRedo() const { return history_.CanRedo(); }

int ListTextEdit::UndoSteps() const { return history_.UndoSteps(); }

void ListTextEdit::Undo()
{
    const int caret = history_.Undo();
    if (caret >= 0) MoveCaretTo(caret);
}

void ListTextEdit::Redo()
{
    const int caret = history_.Redo();
    if (caret >= 0) MoveCaretTo(caret);
}

int ListTextEdit::LineNumberAreaWidth() const
{
    const int digits = int(QString::number(qMax(1, blockCount())).size());
    return 2 * GutterPadding + digits * fontMetrics().horizontalAdvance(QLatin1Char('9'));
}

int ListTextEdit::GuideLineX() const
{
    const qreal column = GuideColumn * QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '));
    return qRound(contentOffset().x() + document()->documentMargin() + column);
}

void ListTextEdit::keyPressEvent(QKeyEvent* event)
{
    // The document's own history is off; these keys go to ours.
    if (event->matches(QKeySequence::Undo)) {
        Undo();
        return;
    }
    if (event->matches(QKeySequence::Redo)) {
        Redo();
        return;
    }
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers commandKeys = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    // Shift+Enter too: a line break inside a line would not survive saving as a line of the list.
    if (lineBreak && !isReadOnly() && !(event->modifiers() & commandKeys)) {
        InsertIndentedLineBreak();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

std::unique_ptr<QMenu> ListTextEdit::CreateContextMenu(const QPoint& position)
{
    // The standard menu's Undo and Redo would act on the document's history, which is off.
    std::unique_ptr<QMenu> menu(createStandardContextMenu(position));
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-undo")) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, &ListTextEdit::Undo);
            action->setEnabled(CanUndo());
        } else if (action->objectName() == QLatin1String("edit-redo")) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, &ListTextEdit::Redo);
            action->setEnabled(CanRedo());
        }
    }
    return menu;
}

void ListTextEdit::contextMenuEvent(QContextMenuEvent* event)
{
    CreateContextMenu(event->pos())->exec(event->globalPos());
}

void ListTextEdit::paintEvent(QPaintEvent* event)
{
    QPlainTextEdit::paintEvent(event);
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    const int x = GuideLineX();
    painter.drawLine(x, event->rect().top(), x, event->rect().bottom());
}

void ListTextEdit::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    PlaceGutter();
}

void ListTextEdit::InsertIndentedLineBreak()
{
    QTextCursor cursor = textCursor();
    const QString indent = LeadingBlanks(cursor.block().text());
    cursor.insertText(QLatin1Char('\n') + indent);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void ListTextEdit::MoveCaretTo(int position)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(position);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void ListTextEdit::PaintLineNumbers(QPaintEvent* event)
{
    QPainter painter(lineNumberArea_);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.setFont(font());
    const int width = lineNumberArea_->width() - GutterPadding;
    const int lineHeight = fontMetrics().height();
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (bottom >= event->rect().top())
            painter.drawText(0, top, width, lineHeight, Qt::AlignRight, QString::number(block.blockNumber() + 1));
        block = block.next();
        top = bottom;
    }
}

void ListTextEdit::PlaceGutter()
{
    setViewportMargins(LineNumberAreaWidth(), 0, 0, 0);
    const QRect area = contentsRect();
    lineNumberArea_->setGeometry(area.left(), area.top(), LineNumberAreaWidth(), area.height());
}

void ListTextEdit::UpdateGutter(const QRect& rect, int dy)
{
    if (dy != 0)
        lineNumberArea_->scroll(0, dy);
    else
        lineNumberArea_->update(0, rect.y(), lineNumberArea_->width(), rect.height());
}

}  // namespace larkspire
