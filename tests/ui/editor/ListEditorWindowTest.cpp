#include "ui/editor/ListEditorWindow.h"

#include "lists/FileErrors.h"
#include "tests/support/qt/QtPrinters.h"
#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/editor/EditorTestFiles.h"
#include "ui/editor/FindDialog.h"
#include "ui/editor/ListTextEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cstring>
#include <functional>
#include <optional>

namespace larkspire {
namespace {

using Kind = ScriptedDialogs::Kind;

class ListEditorWindowTest : public ::testing::Test {
protected:
    void Open(const QString& path)
    {
        editor.currentFilename = path;
        editor.LoadFile(path);
    }

    QString OpenNew(const QByteArray& bytes)
    {
        const QString path = files.Write(QStringLiteral("list.txt"), bytes);
        Open(path);
        return path;
    }

    // Shows the editor modally and runs `whileShown` inside the modal showing; returns when the
    // editor has been closed. A showing that does not end fails the test instead of blocking it.
    void ShowModalAnd(const std::function<void()>& whileShown)
    {
        QTimer::singleShot(0, &editor, whileShown);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, &editor, [this] {
            ADD_FAILURE() << "the editor was still shown";
            editor.hide();
        });
        watchdog.start(20000);
        editor.ShowModal();
        EXPECT_FALSE(editor.isVisible());
    }

    void CloseAnswering(Answer answer)
    {
        dialogs.AnswerYesNoCancel(answer);
        editor.close();
    }

    // Types `text` at the end; "\n" presses Enter.
    void TypeAtEnd(const QString& text)
    {
        editor.textEdit->moveCursor(QTextCursor::End);
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0) QTest::keyClick(editor.textEdit, Qt::Key_Return);
            QTest::keyClicks(editor.textEdit, lines[i]);
        }
    }

    QStringList Shown(Kind kind) const { return dialogs.Texts(kind); }

    TestFolder files;
    ScriptedDialogs dialogs;
    ListEditorWindow editor;
};

TEST_F(ListEditorWindowTest, IsATextEditorWindowWithSevenToolButtons)
{
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Text Editor"));
    EXPECT_EQ(editor.size(), QSize(640, 480));
    EXPECT_EQ(editor.windowModality(), Qt::ApplicationModal);
    EXPECT_FALSE(editor.isVisible());
    editor.show();
    EXPECT_EQ(editor.editorToolBar->geometry(), QRect(0, 0, 640, 40));
    const QList<QToolButton*> buttons = {editor.saveButton, editor.cutButton,  editor.copyButton, editor.pasteButton,
                                         editor.undoButton, editor.redoButton, editor.findButton};
    for (int i = 0; i < buttons.size(); ++i) {
        SCOPED_TRACE(buttons[i]->objectName().toStdString());
        EXPECT_EQ(buttons[i]->geometry(), QRect(32 * i, 0, 32, 40)) << "packed from the left";
        EXPECT_FALSE(buttons[i]->icon().isNull());
        EXPECT_EQ(buttons[i]->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }
    EXPECT_EQ(editor.textEdit->geometry(), QRect(0, 40, 640, 440));
    editor.hide();
}

TEST_F(ListEditorWindowTest, TabsShowAsFourSpacesAndAreSavedAsSpaces)
{
    const QString path = OpenNew("a\tb\r\n\tc\r\n");
    EXPECT_EQ(editor.textEdit->Lines(), QStringList({QStringLiteral("a    b"), QStringLiteral("    c")}));
    editor.saveButton->click();
    EXPECT_EQ(TestFolder::Read(path), QByteArray("a    b\r\n    c\r\n"));
}

class EditorClosePrompt;

// What closing the editor does with the text, by what was done to it and the answer to the question.
struct CloseCase {
    const char* name;
    std::function<void(EditorClosePrompt&)> edit;
    std::optional<Answer> answer;  // nothing: no question is asked
    QByteArray fileAfterwards;
    bool staysOpen;
};

void PrintTo(const CloseCase& param, std::ostream* out) { *out << param.name; }

class EditorClosePrompt : public ListEditorWindowTest, public ::testing::WithParamInterface<CloseCase> {
public:
    void TypeAtTheEnd(const QString& text) { TypeAtEnd(text); }
    ListEditorWindow& Editor() { return editor; }
};

const QByteArray SitesFile("first\r\n");

TEST_P(EditorClosePrompt, AsksOnlyAboutChangedTextAndCancelGoesBack)
{
    const CloseCase& c = GetParam();
    const QString path = files.Write(QStringLiteral("sites.txt"), SitesFile);
    Open(path);
    bool stayedOpen = false;
    QStringList linesAfterClose;
    ShowModalAnd([&] {
        EXPECT_EQ(editor.windowTitle(), QStringLiteral("sites.txt - Text Editor"));
        c.edit(*this);
        const QStringList edited = editor.textEdit->Lines();
        if (c.answer) dialogs.AnswerYesNoCancel(*c.answer);
        editor.close();
        stayedOpen = editor.isVisible();
        linesAfterClose = editor.textEdit->Lines();
        EXPECT_EQ(linesAfterClose, edited) << "closing does not touch the text";
        if (stayedOpen) CloseAnswering(Answer::No);
    });
    EXPECT_EQ(stayedOpen, c.staysOpen);
    EXPECT_EQ(TestFolder::Read(path), c.fileAfterwards);
    const QList<ScriptedDialogs::Shown> boxes = dialogs.ShownBoxes();
    ASSERT_EQ(boxes.size(), (c.answer ? 1 : 0) + (c.staysOpen ? 1 : 0));
    for (const ScriptedDialogs::Shown& box : boxes) {
        EXPECT_EQ(box.kind, Kind::YesNoCancel);
        EXPECT_EQ(box.caption, QStringLiteral("Confirm"));
        EXPECT_EQ(box.text, QStringLiteral("Save changes to sites.txt?"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EditorClosePrompt,
    testing::Values(CloseCase{"UnchangedTextClosesWithoutAsking", [](auto&) {}, std::nullopt, SitesFile, false},
                    CloseCase{"AnEditUndoneClosesWithoutAsking",
                              [](EditorClosePrompt& t) {
                                  t.TypeAtTheEnd(QStringLiteral("x"));
                                  t.Editor().undoButton->click();
                              },
                              std::nullopt, SitesFile, false},
                    CloseCase{"YesSavesAndCloses",
                              [](EditorClosePrompt& t) { t.TypeAtTheEnd(QStringLiteral("\nsecond")); }, Answer::Yes,
                              "first\r\nsecond\r\n", false},
                    CloseCase{"NoClosesWithoutSaving",
                              [](EditorClosePrompt& t) { t.TypeAtTheEnd(QStringLiteral("\nsecond")); }, Answer::No,
                              SitesFile, false},
                    CloseCase{"CancelKeepsTheEditorOpenWithTheEdit",
                              [](EditorClosePrompt& t) { t.TypeAtTheEnd(QStringLiteral("\nsecond")); }, Answer::Cancel,
                              SitesFile, true}),
    [](const testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

TEST_F(ListEditorWindowTest, SaveButtonThenCloseNoKeepsTheSavedText)
{
    const QString path = OpenNew("one\r\n");
    ShowModalAnd([&] {
        TypeAtEnd(QStringLiteral("\ntwo"));
        editor.saveButton->click();
        EXPECT_TRUE(editor.isVisible()) << "saving keeps the window open";
        EXPECT_TRUE(Shown(Kind::Confirm).isEmpty()) << "Save asks nothing";
        TypeAtEnd(QStringLiteral("\nunsaved"));
        CloseAnswering(Answer::No);
    });
    EXPECT_EQ(TestFolder::Read(path), QByteArray("one\r\ntwo\r\n"));
    EXPECT_EQ(Shown(Kind::YesNoCancel), QStringList({QStringLiteral("Save changes to list.txt?")}))
        << "asked about what was typed after the save";
}

TEST_F(ListEditorWindowTest, SavingTrimsTrailingBlanksInTheTextAreaAndTheFile)
{
    const QString path = OpenNew("a  \r\nb\t\r\n \t \r\nc\r\n");
    EXPECT_EQ(editor.textEdit->Lines(), QStringList({QStringLiteral("a  "), QStringLiteral("b    "),
                                                     QStringLiteral("      "), QStringLiteral("c")}));
    QTextCursor caret = editor.textEdit->textCursor();
    caret.setPosition(editor.textEdit->document()->findBlockByNumber(3).position() + 1);
    editor.textEdit->setTextCursor(caret);

    editor.saveButton->click();
    const QStringList trimmed = {QStringLiteral("a"), QStringLiteral("b"), QString(), QStringLiteral("c")};
    EXPECT_EQ(editor.textEdit->Lines(), trimmed);
    EXPECT_EQ(TestFolder::Read(path), QByteArray("a\r\nb\r\n\r\nc\r\n"));
    EXPECT_EQ(editor.textEdit->textCursor().block().text(), QStringLiteral("c")) << "the caret stays on its line";

    // The trimming is an ordinary step of the history.
    EXPECT_TRUE(editor.undoButton->isEnabled());
    editor.undoButton->click();
    EXPECT_EQ(editor.textEdit->Lines()[0], QStringLiteral("a  "));
}

TEST_F(ListEditorWindowTest, SavesInTheEncodingTheFileWasReadIn)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList lines;
        QByteArray saved;
    };
    // clang-format off
    const QList<Case> cases = {
        {"UTF-8 with BOM", "\xEF\xBB\xBF" "caf\xC3\xA9\r\nx  \r\n", {QStringLiteral("caf\u00e9"), QStringLiteral("x  ")},
         "\xEF\xBB\xBF" "caf\xC3\xA9\r\nx\r\n"},
        {"ANSI, no BOM, LF kept", "caf\xE9\nx\t\n", {QStringLiteral("caf\u00e9"), QStringLiteral("x    ")},
         "caf\xE9\nx\n"},
        {"UTF-16 big-endian, LF kept", QByteArray("\xFE\xFF\x00\x61\x00\x0A\x20\xAC", 8),
         {QStringLiteral("a"), QStringLiteral("\u20ac")}, QByteArray("\xFE\xFF\x00\x61\x00\x0A\x20\xAC\x00\x0A", 10)},
        {"UTF-16 little-endian, no line break: LF", QByteArray("\xFF\xFE\x61\x00", 4), {QStringLiteral("a")},
         QByteArray("\xFF\xFE\x61\x00\x0A\x00", 6)},
        {"empty, no BOM", QByteArray(), {}, QByteArray()},
        {"UTF-8 BOM alone", "\xEF\xBB\xBF", {}, "\xEF\xBB\xBF"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = OpenNew(c.bytes);
        EXPECT_EQ(editor.textEdit->Lines(), c.lines);
        editor.saveButton->click();
        EXPECT_EQ(TestFolder::Read(path).toHex(' '), c.saved.toHex(' '));
    }
    EXPECT_TRUE(Shown(Kind::Error).isEmpty());
}

TEST_F(ListEditorWindowTest, ButtonStatesFollowTheSelectionAndTheHistory)
{
    const auto states = [this] {
        return QList<bool>{editor.saveButton->isEnabled(), editor.cutButton->isEnabled(),
                           editor.copyButton->isEnabled(), editor.pasteButton->isEnabled(),
                           editor.undoButton->isEnabled(), editor.redoButton->isEnabled(),
                           editor.findButton->isEnabled()};
    };
    //                                      Save  Cut    Copy   Paste Undo   Redo   Find
    const QList<bool> afterOpening = {true, false, false, true, false, false, true};
    EXPECT_EQ(states(), afterOpening) << "at creation";
    OpenNew("hello\r\nworld\r\n");
    EXPECT_EQ(states(), afterOpening);

    QTest::keyClick(editor.textEdit, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(states(), QList<bool>({true, true, true, true, false, false, true}));

    QTest::keyClicks(editor.textEdit, QStringLiteral("J"));
    EXPECT_EQ(states(), QList<bool>({true, false, false, true, true, false, true}));

    editor.undoButton->click();
    EXPECT_EQ(editor.textEdit->Lines()[0], QStringLiteral("hello"));
    EXPECT_EQ(states(), QList<bool>({true, false, false, true, false, true, true}));

    editor.redoButton->click();
    EXPECT_EQ(editor.textEdit->Lines()[0], QStringLiteral("Jello"));
    EXPECT_EQ(states(), QList<bool>({true, false, false, true, true, false, true}));

    // A new load starts afresh.
    editor.textEdit->selectAll();
    OpenNew("other\r\n");
    EXPECT_EQ(states(), afterOpening);
}

TEST_F(ListEditorWindowTest, ClipboardButtons)
{
    OpenNew("alpha beta\r\n");
    QTextCursor cursor = editor.textEdit->textCursor();
    cursor.setPosition(6);
    cursor.setPosition(10, QTextCursor::KeepAnchor);
    editor.textEdit->setTextCursor(cursor);
    editor.copyButton->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("beta"));
    editor.cutButton->click();
    EXPECT_EQ(editor.textEdit->Lines(), QStringList({QStringLiteral("alpha ")}));

    QGuiApplication::clipboard()->setText(QStringLiteral("x\ny"));
    editor.textEdit->moveCursor(QTextCursor::Start);
    editor.pasteButton->click();
    EXPECT_EQ(editor.textEdit->Lines(), QStringList({QStringLiteral("x"), QStringLiteral("yalpha ")}));
}

TEST_F(ListEditorWindowTest, FailedSaveOnCloseShowsTheErrorAndKeepsTheWindowOpen)
{
    struct Case {
        const char* name;
        std::function<QString()> breakPath;  // makes the file unwritable and returns its path
        int errnoValue;
    };
    const QList<Case> cases = {
        {"its folder replaced by a file",
         [this] {
             QDir(files.Root()).mkdir(QStringLiteral("sub"));
             const QString path = files.Write(QStringLiteral("sub/list.txt"), "a  \r\n");
             Open(path);
             QDir(files.Path(QStringLiteral("sub"))).removeRecursively();
             files.Write(QStringLiteral("sub"), "not a folder");
             return path;
         },
         ENOTDIR},
        {"the path being a folder",
         [this] {
             Open(files.Write(QStringLiteral("list.txt"), "a  \r\n"));
             editor.currentFilename = files.Root();
             return editor.currentFilename;
         },
         EISDIR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = c.breakPath();
        const qsizetype earlierBoxes = dialogs.ShownBoxes().size();
        bool stayedOpen = false;
        ShowModalAnd([&] {
            TypeAtEnd(QStringLiteral("b  "));
            CloseAnswering(Answer::Yes);
            stayedOpen = editor.isVisible();
            EXPECT_EQ(editor.textEdit->Lines(), QStringList({QStringLiteral("a  b")})) << "shown trimmed";
            CloseAnswering(Answer::No);
        });
        EXPECT_TRUE(stayedOpen);
        const QString expected = QStringLiteral("Cannot create file \"%1\". %2.")
                                     .arg(path, QString::fromLocal8Bit(std::strerror(c.errnoValue)));
        const QList<ScriptedDialogs::Shown> boxes = dialogs.ShownBoxes().mid(earlierBoxes);
        ASSERT_EQ(boxes.size(), 3);
        EXPECT_EQ(boxes[0].kind, Kind::YesNoCancel);
        EXPECT_EQ(boxes[1].kind, Kind::Error);
        EXPECT_EQ(boxes[1].caption, QStringLiteral("Error"));
        EXPECT_EQ(boxes[1].text, expected);
        EXPECT_EQ(boxes[2].kind, Kind::YesNoCancel) << "a later close asks again";
    }
}

TEST_F(ListEditorWindowTest, FailedSaveButtonShowsTheError)
{
    Open(files.Write(QStringLiteral("list.txt"), "x\r\n"));
    editor.currentFilename = files.Root();
    editor.saveButton->click();
    ASSERT_EQ(Shown(Kind::Error).size(), 1);
    EXPECT_TRUE(Shown(Kind::Error)[0].startsWith(QStringLiteral("Cannot create file \"")));
}

TEST_F(ListEditorWindowTest, FailedLoadRaisesTheErrorAndKeepsTheText)
{
    OpenNew("kept\r\n");
    EXPECT_THROW(editor.LoadFile(files.Path(QStringLiteral("missing.txt"))), FileError);
    EXPECT_THROW(editor.LoadFile(files.Write(QStringLiteral("bad.txt"), "\xEF\xBB\xBF"
                                                                        "a\xFF")),
                 FileError);
    EXPECT_EQ(editor.textEdit->Lines(), QStringList({QStringLiteral("kept")}));
}

TEST_F(ListEditorWindowTest, FindButtonShowsTheFindDialogModally)
{
    OpenNew("needle\r\n");
    ShowModalAnd([&] {
        QTimer::singleShot(0, &editor, [&] {
            EXPECT_EQ(QApplication::activeModalWidget(), editor.findDialog);
            editor.findDialog->CheckWholeWord->setChecked(true);
            editor.findDialog->ComboFindWhat->setEditText(QStringLiteral("needle"));
            editor.findDialog->ButtonFind->click();
            editor.findDialog->ButtonClose->click();
        });
        editor.findButton->click();
        EXPECT_EQ(editor.textEdit->textCursor().selectedText(), QStringLiteral("needle"));
        EXPECT_EQ(QApplication::activeModalWidget(), &editor);
        editor.close();
    });
    // The dialog keeps its settings for the next time.
    EXPECT_TRUE(editor.findDialog->CheckWholeWord->isChecked());
    EXPECT_EQ(editor.findDialog->ComboFindWhat->currentText(), QStringLiteral("needle"));
}

// The keyboard reaches the commands: Ctrl+S saves, F3 finds the search text again, Ctrl+F opens the find dialog
// and Ctrl+W closes the window.
TEST_F(ListEditorWindowTest, ShortcutsSaveFindAgainFindAndClose)
{
    const QString path = OpenNew("needle one\r\nneedle two\r\n");
    editor.findDialog->ComboFindWhat->setEditText(QStringLiteral("needle"));
    ShowModalAnd([&] {
        // Window shortcuts reach only the active window.
        editor.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&editor));
        TypeAtEnd(QStringLiteral("x"));
        QTest::keyClick(editor.textEdit, Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(TestFolder::Read(path), QByteArray("needle one\r\nneedle twox\r\n"));

        editor.textEdit->moveCursor(QTextCursor::Start);
        QTest::keyClick(editor.textEdit, Qt::Key_F3);
        EXPECT_EQ(editor.textEdit->textCursor().selectedText(), QStringLiteral("needle"));
        const int first = editor.textEdit->textCursor().position();
        QTest::keyClick(editor.textEdit, Qt::Key_F3);
        EXPECT_GT(editor.textEdit->textCursor().position(), first) << "the next match";

        QTest::keyClick(editor.textEdit, Qt::Key_W, Qt::ControlModifier);
    });
    EXPECT_TRUE(Shown(Kind::YesNoCancel).isEmpty()) << "saved, so closing asks nothing";

    // The find dialog last: the offscreen platform leaves the hidden dialog the active window, which no
    // window manager does.
    bool findShown = false;
    ShowModalAnd([&] {
        editor.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&editor));
        QTimer::singleShot(0, &editor, [&] {
            findShown = QApplication::activeModalWidget() == editor.findDialog;
            editor.findDialog->ButtonClose->click();
        });
        QTest::keyClick(editor.textEdit, Qt::Key_F, Qt::ControlModifier);
        editor.close();
    });
    EXPECT_TRUE(findShown);
}

}  // namespace
}  // namespace larkspire
