#include "ui/widgets/Dialogs.h"

#include "tests/support/qt/QtPrinters.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace larkspire {
namespace {

TEST(YesNoCancelBox, IsAQuestionWithYesAsDefaultAndCancelAsEscape)
{
    const auto box = Dialogs::MakeYesNoCancelBox(nullptr, QStringLiteral("Confirm"), QStringLiteral("Save changes?"));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Confirm"));
    EXPECT_EQ(box->text(), QStringLiteral("Save changes?"));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Cancel));
}

// Shown without a modal loop, so the test never waits for a person.
TEST(YesNoCancelBox, EnterAnswersYesWhileEscapeAndClosingAnswerCancel)
{
    struct Case {
        const char* name;
        std::function<void(QMessageBox&)> act;
        QMessageBox::StandardButton answer;
    };
    const Case cases[] = {
        {"Enter", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }, QMessageBox::Yes},
        {"Escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, QMessageBox::Cancel},
        {"close box", [](QMessageBox& box) { box.close(); }, QMessageBox::Cancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto box = Dialogs::MakeYesNoCancelBox(nullptr, QStringLiteral("Confirm"), QStringLiteral("Save?"));
        box->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
        c.act(*box);
        EXPECT_EQ(box->clickedButton(), box->button(c.answer));
    }
}

}  // namespace
}  // namespace larkspire
