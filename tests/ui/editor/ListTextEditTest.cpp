#include "ui/editor/ListTextEdit.h"

#include "tests/support/qt/QtPrinters.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace larkspire {
namespace {

void Edit(ListTextEdit& memo, int start, int end, const QString& text)
{
    QTextCursor cursor(memo.document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

void PutCaret(ListTextEdit& memo, int position)
{
    QTextCursor cursor = memo.textCursor();
    cursor.setPosition(position);
    memo.setTextCursor(cursor);
}

TEST(ListTextEdit, LinesRoundTripThroughTheTextArea)
{
    const QList<QStringList> cases = {
        {},
        {QStringLiteral("a")},
        {QStringLiteral("a"), QString(), QStringLiteral("b")},
        {QStringLiteral("a"), QString()},  // an empty last line stays a line
        {QStringLiteral("  x  "), QStringLiteral("\u00e9\u00a0z")},
    };
    ListTextEdit memo;
    for (const QStringList& lines : cases) {
        SCOPED_TRACE(lines.join(QLatin1Char('|')).toStdString());
        memo.SetLines(lines);
        EXPECT_EQ(memo.Lines(), lines);
        EXPECT_EQ(memo.textCursor().position(), 0);
        EXPECT_FALSE(memo.textCursor().hasSelection());
        EXPECT_FALSE(memo.CanUndo());
    }
}

TEST(ListTextEdit, UsesAFixedWidthFontWithTabsFourSpacesWideAndNoWrapping)
{
    ListTextEdit memo;
    const QFontInfo shown(memo.font());
    if (QFontDatabase::families().contains(QStringLiteral("Courier New")))
        EXPECT_EQ(shown.family(), QStringLiteral("Courier New"));
    else
        EXPECT_EQ(memo.font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    const QFontMetricsF metrics(memo.font());
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')));
    EXPECT_DOUBLE_EQ(memo.tabStopDistance(), 4 * QFontMetricsF(memo.font()).horizontalAdvance(QLatin1Char(' ')));
    EXPECT_EQ(memo.lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(memo.isReadOnly());
}

TEST(ListTextEdit, NewLineTakesTheIndentationOfTheLineBefore)
{
    ListTextEdit memo;
    memo.SetLines({QStringLiteral("  \tabc"), QStringLiteral("end")});
    PutCaret(memo, 6);
    QTest::keyClick(&memo, Qt::Key_Return);
    QTest::keyClicks(&memo, QStringLiteral("x"));
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("  \tabc"), QStringLiteral("  \tx"), QStringLiteral("end")}));

    // Splitting a line keeps the indentation too, and Shift+Enter breaks the line the same way.
    memo.SetLines({QStringLiteral("    ab")});
    PutCaret(memo, 5);
    QTest::keyClick(&memo, Qt::Key_Enter, Qt::ShiftModifier);
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("    a"), QStringLiteral("    b")}));
    EXPECT_EQ(memo.textCursor().position(), 10);

    // The line break and its indentation are one step.
    memo.Undo();
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("    ab")}));
}

TEST(ListTextEdit, TypedCharactersAndDeletionsAreOneStepEach)
{
    ListTextEdit memo;
    memo.SetLines({QStringLiteral("start")});
    PutCaret(memo, 5);
    QTest::keyClicks(&memo, QStringLiteral(" more"));
    QTest::keyClick(&memo, Qt::Key_Backspace);
    QTest::keyClick(&memo, Qt::Key_Backspace);
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("start mo")}));
    EXPECT_EQ(memo.UndoSteps(), 2);
    memo.Undo();
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("start more")}));
    memo.Undo();
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("start")}));
    EXPECT_FALSE(memo.CanUndo());
    memo.Redo();
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("start more")}));
    EXPECT_EQ(memo.textCursor().position(), 10);
}

TEST(ListTextEdit, UndoAndRedoRetraceEveryKindOfChange)
{
    ListTextEdit memo;
    const QStringList original = {QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")};
    memo.SetLines(original);
    struct Change {
        int start;
        int end;
        QString text;
    };
    // At the start, in the middle, across lines, at the very end, long ones, replacing and removing all.
    const QList<Change> changes = {
        {0, 0, QStringLiteral("X")},
        {3, 9, QString()},
        {2, 2, QStringLiteral("one\ntwo\n")},
        {0, 0, QStringLiteral("\n")},
        {-1, -1, QStringLiteral("!\n")},
        {5, 12, QStringLiteral("repl")},
        {4, 4, QStringLiteral("many\nlines\n").repeated(60)},
        {3, 500, QStringLiteral("x")},
        {0, -1, QString()},
        {0, 0, QStringLiteral("fresh\ntext")},
    };
    QList<QStringList> states = {original};
    for (const Change& change : changes) {
        const int end = memo.document()->characterCount() - 1;
        Edit(memo, change.start < 0 ? end : change.start, change.end < 0 ? end : change.end, change.text);
        states.append(memo.Lines());
    }
    EXPECT_EQ(memo.UndoSteps(), changes.size());
    for (qsizetype i = states.size() - 2; i >= 0; --i) {
        memo.Undo();
        EXPECT_EQ(memo.Lines(), states[i]) << "after undoing to state " << i;
    }
    EXPECT_FALSE(memo.CanUndo());
    for (qsizetype i = 1; i < states.size(); ++i) {
        memo.Redo();
        EXPECT_EQ(memo.Lines(), states[i]) << "after redoing to state " << i;
    }
    EXPECT_FALSE(memo.CanRedo());
    // The document's own history stays off throughout.
    EXPECT_FALSE(memo.document()->isUndoRedoEnabled());
}

TEST(ListTextEdit, HistoryKeepsTheLatestHundredSteps)
{
    ListTextEdit memo;
    memo.SetLines({});
    QList<QStringList> states = {memo.Lines()};
    for (int i = 0; i < 150; ++i) {
        Edit(memo, 0, 0, QStringLiteral("%1\n").arg(i));
        states.append(memo.Lines());
    }
    EXPECT_EQ(memo.UndoSteps(), ListTextEdit::MaxUndoSteps);
    for (int i = 0; i < ListTextEdit::MaxUndoSteps; ++i) memo.Undo();
    EXPECT_FALSE(memo.CanUndo());
    EXPECT_EQ(memo.Lines(), states[50]);
    memo.Undo();
    EXPECT_EQ(memo.Lines(), states[50]);
    while (memo.CanRedo()) memo.Redo();
    EXPECT_EQ(memo.Lines(), states.last());
}

TEST(ListTextEdit, AnEditAfterUndoDropsTheRedoSteps)
{
    ListTextEdit memo;
    memo.SetLines({QStringLiteral("a")});
    Edit(memo, 1, 1, QStringLiteral("\nb"));
    Edit(memo, 3, 3, QStringLiteral("\nc"));
    memo.Undo();
    EXPECT_TRUE(memo.CanRedo());
    Edit(memo, 0, 0, QStringLiteral("\nz"));
    EXPECT_FALSE(memo.CanRedo());
    memo.Redo();
    EXPECT_EQ(memo.Lines(), QStringList({QString(), QStringLiteral("za"), QStringLiteral("b")}));
}

TEST(ListTextEdit, UndoKeysAndSignalGoThroughTheBoundedHistory)
{
    ListTextEdit memo;
    memo.SetLines({QStringLiteral("a")});
    QSignalSpy changes(&memo, &ListTextEdit::UndoChange);
    PutCaret(memo, 1);
    QTest::keyClicks(&memo, QStringLiteral("b"));
    EXPECT_GE(changes.count(), 1);
    QTest::keySequence(&memo, QKeySequence::Undo);
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("a")}));
    EXPECT_TRUE(memo.CanRedo());
    QTest::keySequence(&memo, QKeySequence::Redo);
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("ab")}));
}

TEST(ListTextEdit, ContextMenuUndoAndRedoUseTheBoundedHistory)
{
    ListTextEdit memo;
    memo.SetLines({QStringLiteral("a")});
    Edit(memo, 1, 1, QStringLiteral("b"));
    const auto action = [](QMenu& menu, const char* name) {
        QAction* found = menu.findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    };
    std::unique_ptr<QMenu> menu = memo.CreateContextMenu({});
    QAction* undo = action(*menu, "edit-undo");
    QAction* redo = action(*menu, "edit-redo");
    ASSERT_TRUE(undo && redo);
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    undo->trigger();
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("a")}));

    menu = memo.CreateContextMenu({});
    EXPECT_FALSE(action(*menu, "edit-undo")->isEnabled());
    ASSERT_TRUE(action(*menu, "edit-redo")->isEnabled());
    action(*menu, "edit-redo")->trigger();
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("ab")}));
}

TEST(ListTextEdit, UpdateLinesChangesOnlyWhatDiffersAsOneStep)
{
    ListTextEdit memo;
    memo.SetLines({QStringLiteral("a  "), QStringLiteral("keep"), QStringLiteral("bb\t ")});
    PutCaret(memo, 6);  // inside "keep"
    memo.UpdateLines({QStringLiteral("a"), QStringLiteral("keep"), QStringLiteral("bb")});
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("a"), QStringLiteral("keep"), QStringLiteral("bb")}));
    EXPECT_EQ(memo.textCursor().position(), 4);
    EXPECT_EQ(memo.UndoSteps(), 1);
    memo.Undo();
    EXPECT_EQ(memo.Lines(), QStringList({QStringLiteral("a  "), QStringLiteral("keep"), QStringLiteral("bb\t ")}));

    memo.UpdateLines(memo.Lines());
    EXPECT_EQ(memo.UndoSteps(), 0) << "nothing changed, so no step";
}

TEST(ListTextEdit, GutterWidensWithTheLineNumbers)
{
    ListTextEdit memo;
    memo.SetLines({QStringLiteral("one")});
    const int narrow = memo.LineNumberAreaWidth();
    EXPECT_GT(narrow, 0);
    memo.SetLines(QStringList(120, QStringLiteral("x")));
    EXPECT_EQ(memo.LineNumberAreaWidth() - narrow, 2 * memo.fontMetrics().horizontalAdvance(QLatin1Char('9')));
    EXPECT_EQ(memo.viewport()->geometry().left() - memo.contentsRect().left(), memo.LineNumberAreaWidth());
}

TEST(ListTextEdit, GuideLineIsDrawnAfterColumnEighty)
{
    ListTextEdit memo;
    memo.resize(1200, 200);
    memo.SetLines({QString(100, QLatin1Char(' '))});
    const qreal space = QFontMetricsF(memo.font()).horizontalAdvance(QLatin1Char(' '));
    const int x = memo.GuideLineX();
    EXPECT_NEAR(x, memo.document()->documentMargin() + 80 * space, 1);
    const QImage shown = memo.viewport()->grab().toImage();
    const QColor guide = memo.palette().color(QPalette::Disabled, QPalette::Text);
    EXPECT_EQ(shown.pixelColor(x, 100), guide);
    EXPECT_NE(shown.pixelColor(x + 4, 100), guide);
    EXPECT_NE(shown.pixelColor(x - 4, 100), guide);
}

}  // namespace
}  // namespace larkspire

namespace larkspire {
namespace {

// The rows of the drawn scroll bar that show its thumb: the darkest ones down its middle.
std::pair<int, int> DrawnThumbRows(QScrollBar& bar)
{
    const QImage image = bar.grab().toImage();
    const int x = image.width() / 2;
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y) darkest = std::min(darkest, qGray(image.pixel(x, y)));
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        if (qGray(image.pixel(x, y)) <= darkest + 8) {
            first = first < 0 ? y : first;
            last = y;
        }
    }
    return {first, last};
}

TEST(ListTextEdit, ScrollBarThumbIsDrawnWhereTheViewIs)
{
    ListTextEdit memo;
    memo.resize(640, 440);
    QStringList lines;
    for (int i = 0; i < 40; ++i) lines << QString::number(i);
    memo.SetLines(lines);  // a little longer than the window: a long thumb
    memo.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&memo));
    QScrollBar& bar = *memo.verticalScrollBar();
    ASSERT_GT(bar.maximum(), 0);
    ASSERT_LT(bar.maximum(), bar.pageStep());
    const int height = bar.height();

    const auto [top, bottom] = DrawnThumbRows(bar);
    EXPECT_LT(top, height / 10) << "at the top of the file the thumb starts at the top";
    EXPECT_GT(bottom - top, height / 2) << "the page shown is most of the file";
    EXPECT_LT(bottom, height * 9 / 10) << "the rest of the file lies below the thumb";

    bar.setValue(bar.maximum());
    const auto [endTop, endBottom] = DrawnThumbRows(bar);
    EXPECT_GT(endTop, top) << "scrolled down, the thumb moves down";
    EXPECT_GT(endBottom, height * 9 / 10);
}

}  // namespace
}  // namespace larkspire
