#include "lists/FileErrors.h"
#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/main/MainWindowFixture.h"
#include "ui/about/AboutWindow.h"
#include "ui/editor/ListEditorWindow.h"
#include "ui/editor/ListTextEdit.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <cerrno>

namespace larkspire {
namespace {

using Kind = ScriptedDialogs::Kind;

// The error box of a file whose UTF-8 is ill-formed.
QString NoMapping(const QString& path)
{
    return QStringLiteral("\"%1\": No mapping for the Unicode character exists in the target multi-byte code page.")
        .arg(path);
}

QStringList Rows(const PingTable& table)
{
    QStringList rows;
    for (int row = 0; row < table.RowCount(); ++row)
        rows << table.GetCell(0, row) + QLatin1Char('|') + table.GetCell(1, row);
    return rows;
}

// A window with the services file "a.txt" (two templates) and a websites file beside the executable.
class MainWindowCommands : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        WriteServices(QStringLiteral("a.txt"), "http://x.test/?url={website}\r\nhttp://y.test/{WEBSITE}/info\r\n");
        websites_ = WriteFile(QStringLiteral("sites.txt"), "a.example\r\nhttps://www.b.example/\r\n");
        window_ = MakeWindow();
    }

    QString Label(const char* name) const { return Child<QLabel>(*window_, name)->text(); }
    QString Counters() const
    {
        return Label("websitesServicesValueLabel") + QLatin1Char(' ') + Label("totalUrlsValueLabel") +
               QLatin1Char(' ') + Label("timeValueLabel");
    }
    void Click(const char* button) const { Child<QPushButton>(*window_, button)->click(); }
    void Trigger(const char* action) const { Child<QAction>(*window_, action)->trigger(); }
    QLineEdit& Field() const { return *Child<QLineEdit>(*window_, "websitesPathEdit"); }
    QComboBox& Services() const { return *Child<QComboBox>(*window_, "servicesCombo"); }

    void LoadWebsites()
    {
        dialogs_.AnswerOpenFile(websites_);
        Click("loadWebsitesButton");
    }

    const QStringList expandedRows_ = {
        QStringLiteral("http://x.test/?url=a.example|"), QStringLiteral("http://y.test/a.example/info|"),
        QStringLiteral("http://x.test/?url=b.example|"), QStringLiteral("http://y.test/b.example/info|")};
    ScriptedDialogs dialogs_;
    QString websites_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowCommands, StartLoadsTheFirstServicesFile)
{
    EXPECT_EQ(Services().currentText(), QStringLiteral("a.txt"));
    EXPECT_EQ(window_->ServicesList.size(), 2);
    EXPECT_EQ(Counters(), QStringLiteral("0/2 0 00:00:00"));
    EXPECT_TRUE(dialogs_.ShownBoxes().isEmpty());
}

TEST_F(MainWindowCommands, LoadFillsTheTableInWebsitesMajorOrderAndTheCounters)
{
    Child<QLabel>(*window_, "timeValueLabel")->setText(QStringLiteral("00:01:02"));
    LoadWebsites();
    EXPECT_EQ(Field().text(), websites_);
    EXPECT_EQ(window_->WebsitesList,
              (QStringList{QStringLiteral("a.example"), QStringLiteral("https://www.b.example/")}));
    EXPECT_EQ(Rows(window_->Table), expandedRows_);
    EXPECT_EQ(Child<QTableView>(*window_, "pingTableView")->model()->rowCount(), 4);
    EXPECT_EQ(Counters(), QStringLiteral("2/2 4 00:00:00"));
    ASSERT_EQ(dialogs_.ShownBoxes().size(), 1);
    EXPECT_EQ(dialogs_.ShownBoxes()[0].kind, Kind::OpenFile);
    EXPECT_EQ(dialogs_.ShownBoxes()[0].options.filter, QStringLiteral("Text files (*.txt);;All files (*)"));
}

TEST_F(MainWindowCommands, LoadCancelledChangesNothing)
{
    LoadWebsites();
    window_->Table.SetCell(1, 0, QStringLiteral("Completed"));
    dialogs_.AnswerOpenFile(QString());
    Click("loadWebsitesButton");
    EXPECT_EQ(Field().text(), websites_);
    EXPECT_EQ(window_->WebsitesList.size(), 2);
    EXPECT_EQ(window_->Table.GetCell(1, 0), QStringLiteral("Completed"));
    EXPECT_EQ(window_->Table.RowCount(), 4);
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).isEmpty());
    EXPECT_TRUE(dialogs_.AllAnswersUsed());
}

TEST_F(MainWindowCommands, FailingLoadShowsTheErrorAndKeepsListAndTable)
{
    LoadWebsites();
    const QString missing = Folder() + QStringLiteral("missing.txt");
    const QString illFormed = WriteFile(QStringLiteral("bad.txt"), "\xEF\xBB\xBFok\r\n\xC3(\r\n");
    for (const QString& path : {missing, illFormed}) {
        SCOPED_TRACE(path.toStdString());
        dialogs_.AnswerOpenFile(path);
        Click("loadWebsitesButton");
        EXPECT_EQ(Field().text(), path);
        EXPECT_EQ(window_->WebsitesList.size(), 2);
        EXPECT_EQ(Rows(window_->Table), expandedRows_);
    }
    const QStringList errors = dialogs_.Texts(Kind::Error);
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("Cannot open file \"") + missing + QStringLiteral("\". ")));
    EXPECT_TRUE(errors[0].endsWith(QLatin1Char('.')));
    EXPECT_EQ(errors[1], NoMapping(illFormed));
    EXPECT_EQ(dialogs_.ShownBoxes().last().caption, QStringLiteral("Error"));
}

TEST_F(MainWindowCommands, ClearOnTheWebsitesRowEmptiesTableAndListButKeepsServicesAndProcessed)
{
    LoadWebsites();
    Child<QLabel>(*window_, "processedValueLabel")->setText(QStringLiteral("4"));
    Child<QLabel>(*window_, "timeValueLabel")->setText(QStringLiteral("00:00:09"));
    Click("clearWebsitesButton");
    EXPECT_EQ(Field().text(), QStringLiteral("Insert your websites"));
    EXPECT_EQ(window_->Table.RowCount(), 0);
    EXPECT_TRUE(window_->WebsitesList.isEmpty());
    EXPECT_EQ(window_->ServicesList.size(), 2);
    EXPECT_EQ(Services().currentText(), QStringLiteral("a.txt"));
    EXPECT_EQ(Counters(), QStringLiteral("0/2 0 00:00:00"));
    EXPECT_EQ(Label("processedValueLabel"), QStringLiteral("4"));
}

TEST_F(MainWindowCommands, ServicesSelectionRebuildsAndClearReselectsTheFirstFile)
{
    WriteServices(QStringLiteral("b.txt"), "http://z.test/{website}\r\n");
    WriteServices(QStringLiteral("notes.csv"), "http://n.test/{website}\r\n");
    QDir().mkpath(ServicesFolder() + QStringLiteral("x.txt"));
    WriteServices(QStringLiteral(".hidden.txt"), "http://h.test/{website}\r\n");
    window_ = MakeWindow();
    EXPECT_EQ(Services().count(), 3);
    EXPECT_EQ(Services().itemText(0), QStringLiteral(".hidden.txt"));
    EXPECT_EQ(Services().itemText(1), QStringLiteral("a.txt"));
    EXPECT_EQ(Services().itemText(2), QStringLiteral("b.txt"));
    EXPECT_EQ(Services().currentIndex(), 0);

    LoadWebsites();
    EXPECT_EQ(Rows(window_->Table),
              (QStringList{QStringLiteral("http://h.test/a.example|"), QStringLiteral("http://h.test/b.example|")}));
    Services().setCurrentIndex(2);  // as the user picks it
    EXPECT_EQ(window_->ServicesList, QStringList{QStringLiteral("http://z.test/{website}")});
    EXPECT_EQ(Rows(window_->Table),
              (QStringList{QStringLiteral("http://z.test/a.example|"), QStringLiteral("http://z.test/b.example|")}));
    EXPECT_EQ(Counters(), QStringLiteral("2/1 2 00:00:00"));

    Click("clearServicesButton");
    EXPECT_EQ(Services().currentIndex(), 0);
    EXPECT_EQ(Rows(window_->Table),
              (QStringList{QStringLiteral("http://h.test/a.example|"), QStringLiteral("http://h.test/b.example|")}));

    // With the first file selected already, Clear only refreshes the counters.
    window_->Table.SetCell(1, 0, QStringLiteral("Completed"));
    Child<QLabel>(*window_, "timeValueLabel")->setText(QStringLiteral("00:00:05"));
    Click("clearServicesButton");
    EXPECT_EQ(window_->Table.GetCell(1, 0), QStringLiteral("Completed"));
    EXPECT_EQ(Counters(), QStringLiteral("2/1 2 00:00:00"));
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).isEmpty());
}

// The selector shows the file that failed, so the rows of the file before it must not stay to be pinged.
TEST_F(MainWindowCommands, SelectingAFileThatCannotBeReadShowsTheErrorAndEmptiesTheTable)
{
    WriteServices(QStringLiteral("b.txt"), "http://z.test/{website}\r\n");
    window_ = MakeWindow();
    LoadWebsites();
    ASSERT_TRUE(QFile::remove(ServicesFolder() + QStringLiteral("b.txt")));
    Services().setCurrentIndex(1);
    ASSERT_EQ(dialogs_.Texts(Kind::Error).size(), 1);
    EXPECT_TRUE(dialogs_.Texts(Kind::Error)[0].startsWith(QStringLiteral("Cannot open file \"") + ServicesFolder() +
                                                          QStringLiteral("b.txt\". ")));
    EXPECT_EQ(Services().currentText(), QStringLiteral("b.txt"));
    EXPECT_TRUE(window_->ServicesList.isEmpty());
    EXPECT_EQ(window_->Table.RowCount(), 0);
    EXPECT_EQ(Counters(), QStringLiteral("2/0 0 00:00:00"));
}

TEST_F(MainWindowCommands, UnreadableFirstServicesFileAtStartIsReportedAndTheWindowStillComesUp)
{
    const QString unreadable = WriteServices(QStringLiteral("0.txt"), "\xEF\xBB\xBF\xFF\r\n");
    window_ = MakeWindow();
    EXPECT_EQ(dialogs_.Texts(Kind::Error), QStringList{NoMapping(unreadable)});
    EXPECT_EQ(Services().currentText(), QStringLiteral("0.txt"));
    EXPECT_TRUE(window_->ServicesList.isEmpty());
    EXPECT_EQ(window_->windowTitle(), QString::fromStdString(window_->ProgramInfo->mainWindowCaption));
}

TEST_F(MainWindowCommands, NoServicesFolderGivesAnEmptySelectorAndIsNotCreated)
{
    ASSERT_TRUE(QDir(ServicesFolder()).removeRecursively());
    window_ = MakeWindow();
    EXPECT_EQ(Services().count(), 0);
    EXPECT_EQ(Services().currentIndex(), -1);
    EXPECT_TRUE(window_->ServicesList.isEmpty());
    EXPECT_EQ(Label("websitesServicesValueLabel"), QStringLiteral("0/0"));
    EXPECT_FALSE(QDir(ServicesFolder()).exists());
    EXPECT_TRUE(dialogs_.ShownBoxes().isEmpty());
}

TEST_F(MainWindowCommands, LoadServicesCopiesIntoAMissingFolderAndRescans)
{
    ASSERT_TRUE(QDir(ServicesFolder()).removeRecursively());
    window_ = MakeWindow();
    const QString source = WriteFile(QStringLiteral("elsewhere/new.txt"), "http://n.test/{website}\r\n");
    dialogs_.AnswerOpenFile(source);
    Trigger("loadServicesFileAction");
    EXPECT_EQ(dialogs_.Texts(Kind::Information), QStringList{QStringLiteral("File new.txt loaded")});
    EXPECT_EQ(ReadBytes(ServicesFolder() + QStringLiteral("new.txt")), QByteArray("http://n.test/{website}\r\n"));
    EXPECT_EQ(Services().currentText(), QStringLiteral("new.txt"));
    EXPECT_EQ(window_->ServicesList, QStringList{QStringLiteral("http://n.test/{website}")});
    EXPECT_EQ(Label("websitesServicesValueLabel"), QStringLiteral("0/1"));

    // The same name again, or a file of the folder itself: refused, the existing file untouched.
    WriteFile(QStringLiteral("elsewhere/new.txt"), "changed\r\n");
    for (const QString& path : {source, ServicesFolder() + QStringLiteral("new.txt")}) {
        dialogs_.AnswerOpenFile(path);
        Trigger("loadServicesFileAction");
    }
    EXPECT_EQ(dialogs_.Texts(Kind::Error), (QStringList{QStringLiteral("The specified file already exists."),
                                                        QStringLiteral("The specified file already exists.")}));
    EXPECT_EQ(dialogs_.Texts(Kind::Information).size(), 1);
    EXPECT_EQ(ReadBytes(ServicesFolder() + QStringLiteral("new.txt")), QByteArray("http://n.test/{website}\r\n"));

    dialogs_.AnswerOpenFile(QString());
    Trigger("loadServicesFileAction");
    EXPECT_EQ(dialogs_.ShownBoxes().size(), 7);  // three refused or cancelled loads add no message
    EXPECT_TRUE(dialogs_.AllAnswersUsed());
}

TEST_F(MainWindowCommands, RemoveServicesAsksAndDeletesOnlyOnYes)
{
    LoadWebsites();
    dialogs_.AnswerConfirm(false);
    Trigger("removeServicesFileAction");
    EXPECT_TRUE(QFile::exists(ServicesFolder() + QStringLiteral("a.txt")));
    EXPECT_EQ(Services().currentText(), QStringLiteral("a.txt"));
    EXPECT_EQ(dialogs_.Texts(Kind::Confirm), QStringList{QStringLiteral("Delete file a.txt?")});
    EXPECT_EQ(dialogs_.ShownBoxes().last().caption, QStringLiteral("Confirm"));
    EXPECT_TRUE(dialogs_.Texts(Kind::Information).isEmpty());

    dialogs_.AnswerConfirm(true);
    Trigger("removeServicesFileAction");
    EXPECT_FALSE(QFile::exists(ServicesFolder() + QStringLiteral("a.txt")));
    EXPECT_EQ(dialogs_.Texts(Kind::Information), QStringList{QStringLiteral("a.txt deleted")});
    EXPECT_EQ(Services().count(), 0);
    EXPECT_TRUE(window_->ServicesList.isEmpty());
    EXPECT_EQ(Label("websitesServicesValueLabel"), QStringLiteral("2/0"));
    EXPECT_EQ(window_->Table.RowCount(), 0) << "no services file, no rows";

    // Nothing selected any more: the question still comes, naming no file, and nothing happens.
    dialogs_.AnswerConfirm(true);
    Trigger("removeServicesFileAction");
    EXPECT_EQ(dialogs_.Texts(Kind::Confirm).last(), QStringLiteral("Delete file?"));
    EXPECT_EQ(dialogs_.Texts(Kind::Information).size(), 1);
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).isEmpty());
    EXPECT_TRUE(dialogs_.AllAnswersUsed());
}

TEST_F(MainWindowCommands, RemoveServicesOfAReadOnlyFileShowsItsErrorAndRescans)
{
    const QString path = ServicesFolder() + QStringLiteral("a.txt");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    dialogs_.AnswerConfirm(true);
    Trigger("removeServicesFileAction");
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(dialogs_.Texts(Kind::Information).isEmpty());
    EXPECT_EQ(dialogs_.Texts(Kind::Error),
              QStringList{QStringLiteral("Cannot delete file \"%1\". %2.").arg(path, SystemErrorText(EACCES))});
    EXPECT_EQ(Services().currentText(), QStringLiteral("a.txt"));
    EXPECT_EQ(window_->ServicesList.size(), 2);
}

struct ExportCase {
    const char* action;
    QByteArray bytes;
};

TEST_F(MainWindowCommands, EachExportSelectionWritesItsUrlsWithCrLf)
{
    LoadWebsites();
    window_->Table.SetCell(0, 1, QStringLiteral("http://y.test/caf\u00e9/\u20ac/?"));
    window_->Table.SetCell(1, 0, QStringLiteral("Completed"));
    window_->Table.SetCell(1, 1, QStringLiteral("completed"));
    window_->Table.SetCell(1, 2, QStringLiteral("Error 404"));
    const ExportCase cases[] = {
        {"exportCompletedAction", "http://x.test/?url=a.example\r\n"},
        {"exportNotCompletedAction", "http://y.test/b.example/info\r\n"},
        {"exportAllAction",
         "http://x.test/?url=a.example\r\nhttp://y.test/caf\xE9/\x80/?\r\nhttp://x.test/?url=b.example\r\n"
         "http://y.test/b.example/info\r\n"},
    };
    for (const ExportCase& c : cases) {
        SCOPED_TRACE(c.action);
        const QString path = Folder() + QString::fromUtf8(c.action) + QStringLiteral(".txt");
        WriteFile(QString::fromUtf8(c.action) + QStringLiteral(".txt"), "old content that must go away\r\n");
        dialogs_.AnswerSaveFile(path);
        Trigger(c.action);
        EXPECT_EQ(ReadBytes(path), c.bytes);
        EXPECT_EQ(dialogs_.ShownBoxes().last().options.filter, QStringLiteral("Text file (*.txt);;All files (*)"));
    }
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).isEmpty());
}

TEST_F(MainWindowCommands, ExportOfAUrlOutsideWindows1252IsUtf8ThatReadsBackTheSame)
{
    LoadWebsites();
    const QString cjk = QStringLiteral("http://y.test/\u65e5\u672c");
    window_->Table.SetCell(0, 1, cjk);
    dialogs_.AnswerSaveFile(Folder() + QStringLiteral("all.txt"));
    Trigger("exportAllAction");
    EXPECT_EQ(ReadBytes(Folder() + QStringLiteral("all.txt")),
              QByteArray("\xEF\xBB\xBF"
                         "http://x.test/?url=a.example\r\nhttp://y.test/\xE6\x97\xA5\xE6\x9C\xAC\r\n"
                         "http://x.test/?url=b.example\r\nhttp://y.test/b.example/info\r\n"));

    // Loaded back as a websites file, the exported URLs are the table's.
    dialogs_.AnswerOpenFile(Folder() + QStringLiteral("all.txt"));
    Click("loadWebsitesButton");
    EXPECT_EQ(window_->WebsitesList.at(1), cjk);
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).isEmpty());
}

TEST_F(MainWindowCommands, ExportAddsTheDefaultExtensionAndCancelWritesNothing)
{
    LoadWebsites();
    dialogs_.AnswerSaveFile(Folder() + QStringLiteral("plain"));
    Trigger("exportAllAction");
    EXPECT_FALSE(QFile::exists(Folder() + QStringLiteral("plain")));
    EXPECT_EQ(ReadBytes(Folder() + QStringLiteral("plain.txt")).count('\n'), 4);

    dialogs_.AnswerSaveFile(QString());
    Trigger("exportAllAction");
    EXPECT_EQ(QDir(Folder()).entryList(QDir::Files).size(), 2);  // sites.txt and plain.txt
    EXPECT_TRUE(dialogs_.AllAnswersUsed());
}

TEST_F(MainWindowCommands, ExportIntoAMissingFolderShowsTheIoError)
{
    LoadWebsites();
    const QString path = Folder() + QStringLiteral("no/such/out.txt");
    dialogs_.AnswerSaveFile(path);
    Trigger("exportAllAction");
    EXPECT_EQ(dialogs_.Texts(Kind::Error),
              QStringList{QStringLiteral("Invalid file name - ") + path + QLatin1Char('.')});
    EXPECT_EQ(window_->Table.RowCount(), 4);
}

TEST_F(MainWindowCommands, EditWithoutAFileSaysNoFileSelected)
{
    Click("editWebsitesButton");
    Field().setText(Folder());  // a folder is not a file
    Click("editWebsitesButton");
    ASSERT_TRUE(QDir(ServicesFolder()).removeRecursively());
    window_ = MakeWindow();
    Click("editServicesButton");
    EXPECT_EQ(dialogs_.Texts(Kind::Information),
              (QStringList{QStringLiteral("No file selected"), QStringLiteral("No file selected"),
                           QStringLiteral("No file selected")}));
    EXPECT_EQ(dialogs_.ShownBoxes().size(), 3);
}

class MainWindowEditing : public MainWindowCommands {
protected:
    void SetUp() override
    {
        MainWindowCommands::SetUp();
        window_->SetTextEditor(&editor_);
    }

    // Closes the editor once it is shown, after `edit` has changed its text.
    void CloseEditorWhenShown(std::function<void()> edit = {})
    {
        QTimer::singleShot(0, &editor_, [this, edit] {
            shownFile_ = editor_.currentFilename;
            shownText_ = editor_.textEdit->toPlainText();
            if (edit) edit();
            editor_.close();
        });
    }

    ListEditorWindow editor_;
    QString shownFile_;
    QString shownText_;
};

TEST_F(MainWindowEditing, ClosingTheEditorWithoutSavingStillRebuildsTheTable)
{
    LoadWebsites();
    window_->Table.SetCell(1, 0, QStringLiteral("Completed"));
    CloseEditorWhenShown();
    Click("editWebsitesButton");
    EXPECT_EQ(shownFile_, websites_);
    EXPECT_EQ(shownText_, QStringLiteral("a.example\nhttps://www.b.example/"));
    EXPECT_FALSE(editor_.isVisible());
    EXPECT_EQ(Rows(window_->Table), expandedRows_);
    EXPECT_TRUE(dialogs_.AllAnswersUsed());
}

TEST_F(MainWindowEditing, SavedWebsitesAreReloadedAndExpanded)
{
    LoadWebsites();
    dialogs_.AnswerYesNoCancel(Answer::Yes);
    CloseEditorWhenShown([this] { editor_.textEdit->setPlainText(QStringLiteral("c.example")); });
    Click("editWebsitesButton");
    EXPECT_EQ(window_->WebsitesList, QStringList{QStringLiteral("c.example")});
    EXPECT_EQ(Rows(window_->Table), (QStringList{QStringLiteral("http://x.test/?url=c.example|"),
                                                 QStringLiteral("http://y.test/c.example/info|")}));
    EXPECT_EQ(Counters(), QStringLiteral("1/2 2 00:00:00"));
}

TEST_F(MainWindowEditing, SavedServicesAreReloadedAndExpanded)
{
    LoadWebsites();
    dialogs_.AnswerYesNoCancel(Answer::Yes);
    CloseEditorWhenShown([this] { editor_.textEdit->setPlainText(QStringLiteral("https://s.test/{website}")); });
    Click("editServicesButton");
    EXPECT_EQ(shownFile_, ServicesFolder() + QStringLiteral("a.txt"));
    EXPECT_EQ(window_->ServicesList, QStringList{QStringLiteral("https://s.test/{website}")});
    EXPECT_EQ(Rows(window_->Table),
              (QStringList{QStringLiteral("https://s.test/a.example|"), QStringLiteral("https://s.test/b.example|")}));
}

TEST_F(MainWindowEditing, AWebsitesFileThatCannotBeReadEndsTheCommandWithTheError)
{
    LoadWebsites();
    const QString illFormed = WriteFile(QStringLiteral("bad.txt"), "\xEF\xBB\xBF\xC3(\r\n");
    Field().setText(illFormed);
    Click("editWebsitesButton");
    EXPECT_EQ(dialogs_.Texts(Kind::Error), QStringList{NoMapping(illFormed)});
    EXPECT_FALSE(editor_.isVisible());
    EXPECT_EQ(window_->WebsitesList.size(), 2);
}

TEST_F(MainWindowCommands, AboutShowsTheOneAboutWindowModelessly)
{
    AboutWindow about;
    window_->SetAboutWindow(&about);
    Trigger("aboutAction");
    EXPECT_TRUE(about.isVisible());
    EXPECT_FALSE(about.isModal());
    about.hide();
    Trigger("aboutAction");
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(QApplication::topLevelWidgets().count(&about), 1);
    int aboutWindows = 0;
    for (const QWidget* widget : QApplication::topLevelWidgets())
        aboutWindows += qobject_cast<const AboutWindow*>(widget) != nullptr && widget->isVisible();
    EXPECT_EQ(aboutWindows, 1);
}

TEST_F(MainWindowCommands, ExitEndsTheEventLoop)
{
    QTimer::singleShot(0, window_.get(), [this] { Trigger("exitAction"); });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    safety.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST_F(MainWindowCommands, ClosingTheWindowEndsTheEventLoopEvenWithTheAboutWindowOpen)
{
    AboutWindow about;
    window_->SetAboutWindow(&about);
    window_->show();
    Trigger("aboutAction");
    QTimer::singleShot(0, window_.get(), [this] { window_->close(); });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    safety.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

}  // namespace
}  // namespace larkspire
