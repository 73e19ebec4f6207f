#include "ui/editor/FindDialog.h"

#include "tests/support/qt/QtPrinters.h"
#include "tests/support/qt/ScriptedDialogs.h"
#include "ui/editor/ListTextEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace larkspire {
namespace {

class FindDialogTest : public ::testing::Test {
protected:
    FindDialogTest() : dialog(memo, nullptr)
    {
        // Line starts: 0, 12, 24.
        memo.SetLines({QStringLiteral("one Two two"), QStringLiteral("twofold two"), QStringLiteral("end")});
    }

    void Search(const QString& text) { dialog.ComboFindWhat->setEditText(text); }

    // The selection as (start, end), and whether the caret is at its start.
    std::tuple<int, int, bool> Selection() const
    {
        const QTextCursor cursor = memo.textCursor();
        return {cursor.selectionStart(), cursor.selectionEnd(), cursor.position() == cursor.selectionStart()};
    }

    QStringList Messages() const { return dialogs.Texts(ScriptedDialogs::Kind::Information); }

    ScriptedDialogs dialogs;
    ListTextEdit memo;
    FindDialog dialog;
};

TEST_F(FindDialogTest, StartsWithItsCaptionLabelsAndDefaults)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Find"));
    EXPECT_TRUE(dialog.isModal());
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), QStringLiteral("Find what:"));
    EXPECT_TRUE(dialog.ComboFindWhat->isEditable());
    const QList<std::pair<QCheckBox*, const char*>> checks = {{dialog.CheckCaseSensitive, "Case sensitive"},
                                                              {dialog.CheckExpression, "Expression"},
                                                              {dialog.CheckCloseIfFound, "Close if Found"},
                                                              {dialog.CheckWholeWord, "Whole word Only"}};
    for (const auto& [check, caption] : checks) {
        EXPECT_EQ(check->text(), QString::fromLatin1(caption));
        EXPECT_FALSE(check->isChecked()) << caption;
    }
    EXPECT_EQ(dialog.GroupDirection->title(), QStringLiteral("Direction"));
    EXPECT_EQ(dialog.RadioUp->text(), QStringLiteral("Up"));
    EXPECT_EQ(dialog.RadioDown->text(), QStringLiteral("Down"));
    EXPECT_TRUE(dialog.RadioDown->isChecked());
    EXPECT_EQ(dialog.ButtonFind->text(), QStringLiteral("Find"));
    EXPECT_EQ(dialog.ButtonPrevious->text(), QStringLiteral("Previous"));
    EXPECT_EQ(dialog.ButtonClose->text(), QStringLiteral("Close"));
    EXPECT_TRUE(dialog.ButtonFind->isDefault());
}

TEST_F(FindDialogTest, FindGoesDownMatchByMatchAndSaysWhenNothingIsLeft)
{
    Search(QStringLiteral("two"));
    dialog.ButtonFind->click();
    EXPECT_EQ(Selection(), std::make_tuple(4, 7, true));  // "Two": case ignored
    dialog.ButtonFind->click();
    EXPECT_EQ(Selection(), std::make_tuple(8, 11, true));
    dialog.ButtonFind->click();
    EXPECT_EQ(Selection(), std::make_tuple(12, 15, true));
    dialog.ButtonFind->click();
    EXPECT_EQ(Selection(), std::make_tuple(20, 23, true));
    EXPECT_TRUE(Messages().isEmpty());

    dialog.ButtonFind->click();
    EXPECT_EQ(Messages(), QStringList({FindDialog::NotFoundMessage}));
    EXPECT_EQ(Messages()[0], QStringLiteral("Finished searching the document. The search item was not found."));
    EXPECT_EQ(Selection(), std::make_tuple(20, 23, true)) << "the selection stays when nothing is found";
}

TEST_F(FindDialogTest, UpSearchesTowardsTheStart)
{
    memo.moveCursor(QTextCursor::End);
    dialog.RadioUp->setChecked(true);
    Search(QStringLiteral("two"));
    dialog.ButtonFind->click();
    EXPECT_EQ(Selection(), std::make_tuple(20, 23, true));
    dialog.ButtonFind->click();
    EXPECT_EQ(Selection(), std::make_tuple(12, 15, true));
    Search(QStringLiteral("zebra"));
    dialog.ButtonFind->click();
    EXPECT_EQ(Messages(), QStringList({FindDialog::NotFoundMessage}));
}

TEST_F(FindDialogTest, PreviousAlwaysGoesUpAndIsSilentWhenNothingIsFound)
{
    Search(QStringLiteral("two"));
    memo.moveCursor(QTextCursor::End);
    dialog.ButtonPrevious->click();
    EXPECT_EQ(Selection(), std::make_tuple(20, 23, true));
    dialog.ButtonPrevious->click();
    EXPECT_EQ(Selection(), std::make_tuple(12, 15, true));
    // Down after Previous goes on from the match just found.
    dialog.ButtonFind->click();
    EXPECT_EQ(Selection(), std::make_tuple(20, 23, true));

    memo.moveCursor(QTextCursor::Start);
    dialog.ButtonPrevious->click();
    EXPECT_EQ(Selection(), std::make_tuple(0, 0, true));
    Search(QStringLiteral("zebra"));
    dialog.ButtonPrevious->click();
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(FindDialogTest, OptionsNarrowTheSearch)
{
    struct Case {
        const char* name;
        QCheckBox* option;
        QString text;
        std::tuple<int, int, bool> expected;
    };
    const QList<Case> cases = {
        {"case sensitive", dialog.CheckCaseSensitive, QStringLiteral("Two"), {4, 7, true}},
        {"case sensitive, lower", dialog.CheckCaseSensitive, QStringLiteral("two"), {8, 11, true}},
        {"whole word", dialog.CheckWholeWord, QStringLiteral("two"), {4, 7, true}},
        {"expression", dialog.CheckExpression, QStringLiteral("t\\w+d"), {12, 19, true}},
        {"expression, not literal", dialog.CheckExpression, QStringLiteral("e.d"), {24, 27, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        memo.moveCursor(QTextCursor::Start);
        c.option->setChecked(true);
        Search(c.text);
        dialog.ButtonFind->click();
        EXPECT_EQ(Selection(), c.expected);
        c.option->setChecked(false);
    }

    dialog.CheckWholeWord->setChecked(true);
    memo.moveCursor(QTextCursor::Start);
    Search(QStringLiteral("two"));
    for (int start : {4, 8, 20}) {  // never the "two" of "twofold"
        dialog.ButtonFind->click();
        EXPECT_EQ(std::get<0>(Selection()), start);
    }
    EXPECT_TRUE(Messages().isEmpty());
    dialog.ButtonFind->click();
    EXPECT_EQ(Messages().size(), 1);
}

TEST_F(FindDialogTest, CloseIfFoundClosesAfterEveryFindButNotAfterPrevious)
{
    dialog.CheckCloseIfFound->setChecked(true);
    Search(QStringLiteral("two"));
    for (const QString& text : {QStringLiteral("two"), QStringLiteral("zebra")}) {
        SCOPED_TRACE(text.toStdString());
        Search(text);
        dialog.show();
        dialog.ButtonPrevious->click();
        EXPECT_TRUE(dialog.isVisible());
        dialog.ButtonFind->click();
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(Messages(), QStringList({FindDialog::NotFoundMessage}));

    dialog.CheckCloseIfFound->setChecked(false);
    dialog.show();
    dialog.ButtonFind->click();
    EXPECT_TRUE(dialog.isVisible());
    dialog.ButtonClose->click();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(FindDialogTest, EnterInTheSearchTextPressesFind)
{
    dialog.show();
    Search(QStringLiteral("end"));
    QTest::keyClick(dialog.ComboFindWhat->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Selection(), std::make_tuple(24, 27, true));
    EXPECT_TRUE(dialog.isVisible());
    dialog.hide();
}

TEST_F(FindDialogTest, RemembersEarlierSearchTextsLatestFirst)
{
    for (const QString& text :
         {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("one"), QString(), QStringLiteral("end")}) {
        Search(text);
        dialog.ButtonPrevious->click();
    }
    QStringList history;
    for (int i = 0; i < dialog.ComboFindWhat->count(); ++i) history << dialog.ComboFindWhat->itemText(i);
    EXPECT_EQ(history, QStringList({QStringLiteral("end"), QStringLiteral("one"), QStringLiteral("two")}));
    EXPECT_EQ(dialog.ComboFindWhat->currentText(), QStringLiteral("end"));
}

}  // namespace
}  // namespace larkspire
