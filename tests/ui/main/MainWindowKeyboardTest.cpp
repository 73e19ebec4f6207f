#include "tests/support/qt/EventuallyTrue.h"
#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/main/MainWindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace larkspire {
namespace {

class MainWindowKeyboard : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        window_ = MakeWindow();
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        window_->pingTableView->setFocus();
    }

    ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

struct KeyCase {
    const char* action;
    QKeyCombination keys;
    bool running;  // pressed in the running state
};

void PrintTo(const KeyCase& param, std::ostream* out) { *out << param.action; }

class MainWindowShortcut : public MainWindowKeyboard, public testing::WithParamInterface<KeyCase> {};

// Each key, pressed with the focus in the table, triggers its command once.
TEST_P(MainWindowShortcut, TriggersItsCommand)
{
    const KeyCase& param = GetParam();
    auto* action = Child<QAction>(*window_, param.action);
    // Exit would end the test program and the manual would start a browser: the key's reaching them is what counts.
    if (action == window_->exitAction || action == window_->onlineManualAction)
        QObject::disconnect(action, nullptr, window_.get(), nullptr);
    for (int i = 0; i < 4; ++i) dialogs_.AnswerSaveFile(QString());
    dialogs_.AnswerOpenFile(QString());
    window_->SetRunningState(param.running);
    QSignalSpy triggered(action, &QAction::triggered);

    QTest::keyClick(window_->pingTableView, param.keys.key(), param.keys.keyboardModifiers());
    EXPECT_EQ(triggered.count(), 1);
    if (action == window_->abortAction) {
        EXPECT_TRUE(window_->AbortFlag);
        EXPECT_FALSE(action->isEnabled()) << "one Abort per run";
    }
    window_->SetRunningState(false);
}

INSTANTIATE_TEST_SUITE_P(Keys, MainWindowShortcut,
                         testing::Values(KeyCase{"openWebsitesAction", Qt::CTRL | Qt::Key_O, false},
                                         KeyCase{"openUrlListAction", Qt::CTRL | Qt::SHIFT | Qt::Key_O, false},
                                         KeyCase{"editWebsitesAction", Qt::CTRL | Qt::Key_E, false},
                                         KeyCase{"exportCompletedAction", Qt::CTRL | Qt::SHIFT | Qt::Key_C, false},
                                         KeyCase{"exportNotCompletedAction", Qt::CTRL | Qt::SHIFT | Qt::Key_N, false},
                                         KeyCase{"exportAllAction", Qt::CTRL | Qt::SHIFT | Qt::Key_A, false},
                                         KeyCase{"exportFailedAction", Qt::CTRL | Qt::SHIFT | Qt::Key_F, false},
                                         KeyCase{"abortAction", Qt::Key_Escape, true},
                                         KeyCase{"exitAction", Qt::CTRL | Qt::Key_Q, false},
                                         KeyCase{"onlineManualAction", Qt::Key(Qt::Key_F1), false},
                                         KeyCase{"startAction", Qt::CTRL | Qt::Key_Return, false}),
                         [](const testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.action); });

// Escape while idle asks for no Abort, and Start's key does nothing during a run.
TEST_F(MainWindowKeyboard, KeysOfTheOtherStateDoNothing)
{
    QSignalSpy aborts(window_->abortAction, &QAction::triggered);
    QTest::keyClick(window_->pingTableView, Qt::Key_Escape);
    EXPECT_EQ(aborts.count(), 0);
    EXPECT_FALSE(window_->AbortFlag);
    window_->SetRunningState(true);
    QSignalSpy starts(window_->startAction, &QAction::triggered);
    QTest::keyClick(window_->pingTableView, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(starts.count(), 0);
    window_->SetRunningState(false);
}

// Alt+F opens the File menu; Tab leaves the table for the next control instead of walking its cells.
TEST_F(MainWindowKeyboard, MenuMnemonicAndTabOutOfTheTable)
{
    window_->Table.SetRowCount(3);
    window_->pingTableView->setCurrentIndex(window_->pingTableView->model()->index(0, 0));
    QTest::keyClick(window_->pingTableView, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), window_->pingTableView);
    EXPECT_EQ(window_->pingTableView->currentIndex().column(), 0);

    QTest::keyClick(window_.get(), Qt::Key_F, Qt::AltModifier);
    auto* file = Child<QMenu>(*window_, "fileMenu");
    EXPECT_TRUE(test::EventuallyTrue([&] { return file->isVisible(); }, "the File menu open"));
    file->close();
}

}  // namespace
}  // namespace larkspire
