#include "tests/support/qt/QtPrinters.h"
#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/main/MainWindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

namespace larkspire {
namespace {

using Kind = ScriptedDialogs::Kind;

QStringList Urls(const PingTable& table)
{
    QStringList urls;
    for (int row = 0; row < table.RowCount(); ++row) urls << table.GetCell(0, row);
    return urls;
}

// A window with the services file "a.txt" of two templates and a websites file of two websites loaded.
class MainWindowLists : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        WriteServices(QStringLiteral("a.txt"), "http://x.test/{website}\r\nhttp://y.test/{website}\r\n");
        window_ = MakeWindow();
        LoadWebsites("first.example\r\nsecond.example\r\n");
        ASSERT_EQ(window_->Table.RowCount(), 4);
    }

    void LoadWebsites(const QByteArray& bytes)
    {
        dialogs_.AnswerOpenFile(WriteFile(QStringLiteral("sites%1.txt").arg(++files_), bytes));
        Child<QPushButton>(*window_, "loadWebsitesButton")->click();
    }

    // A services file beside a.txt, selected in a window made afresh with the two websites loaded.
    void SelectNewServicesFile(const QString& name, const QByteArray& bytes)
    {
        WriteServices(name, bytes);
        window_ = MakeWindow();
        LoadWebsites("first.example\r\nsecond.example\r\n");
        Services().setCurrentIndex(Services().findText(name));
        ASSERT_EQ(Services().currentText(), name);
    }

    QString Counters() const
    {
        return Child<QLabel>(*window_, "websitesServicesValueLabel")->text() + QLatin1Char(' ') +
               Child<QLabel>(*window_, "totalUrlsValueLabel")->text();
    }
    QComboBox& Services() const { return *Child<QComboBox>(*window_, "servicesCombo"); }
    QString StatusBarText() const { return Child<QStatusBar>(*window_, "bottomStatusBar")->currentMessage(); }

    ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
    int files_ = 0;
};

// A websites file loaded after another: the table shows exactly its rows, none of the file before.
struct WebsitesCase {
    const char* name;
    QByteArray file;
    QStringList urls;
    QString counters;
};

void PrintTo(const WebsitesCase& param, std::ostream* out) { *out << param.name; }

class SecondWebsitesFile : public MainWindowLists, public ::testing::WithParamInterface<WebsitesCase> {};

TEST_P(SecondWebsitesFile, LeavesExactlyItsRowsAndCountsWhatGivesRows)
{
    LoadWebsites(GetParam().file);
    EXPECT_EQ(Urls(window_->Table), GetParam().urls);
    EXPECT_EQ(Counters(), GetParam().counters);
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, SecondWebsitesFile,
    testing::Values(WebsitesCase{"EmptyFile", "", {}, "0/2 0"},
                    WebsitesCase{"OnlyBlankAndCommentLines", "\r\n   \r\n\t\r\n# my sites\r\n", {}, "0/2 0"},
                    WebsitesCase{"BlankCommentAndRepeatedLines",
                                 "# my sites\r\n\r\n  c.example  \r\nhttps://www.c.example/\r\nd.example\r\n",
                                 {"http://x.test/c.example", "http://y.test/c.example", "http://x.test/d.example",
                                  "http://y.test/d.example"},
                                 "2/2 4"}),
    [](const testing::TestParamInfo<WebsitesCase>& info) { return std::string(info.param.name); });

TEST_F(MainWindowLists, ServicesCountOnlyTheTemplatesThatGiveRows)
{
    SelectNewServicesFile(QStringLiteral("b.txt"), "# my services\r\n\r\n  http://z.test/{website}  \r\n");
    EXPECT_EQ(Urls(window_->Table), (QStringList{"http://z.test/first.example", "http://z.test/second.example"}));
    EXPECT_EQ(Counters(), QStringLiteral("2/1 2"));
    EXPECT_EQ(window_->ServicesList.size(), 3) << "the file's lines stay as they are";
}

TEST_F(MainWindowLists, ServicesFileWithoutThePlaceholderLoadsWithAWarning)
{
    SelectNewServicesFile(QStringLiteral("static.txt"), "http://static.test/ping\r\n");
    EXPECT_EQ(Urls(window_->Table), (QStringList{"http://static.test/ping", "http://static.test/ping"}));
    EXPECT_EQ(StatusBarText(),
              QStringLiteral("No line of static.txt holds {website}: every website gets the same URL."));
    EXPECT_TRUE(dialogs_.Texts(Kind::Information).isEmpty());
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).isEmpty());

    Services().setCurrentIndex(Services().findText(QStringLiteral("a.txt")));
    EXPECT_TRUE(StatusBarText().isEmpty());
}

TEST_F(MainWindowLists, LoadServicesSelectsTheAddedFile)
{
    WriteServices(QStringLiteral("delay.txt"), "http://delay.test/{website}\r\n");
    window_ = MakeWindow();
    LoadWebsites("first.example\r\n");
    Services().setCurrentIndex(Services().findText(QStringLiteral("delay.txt")));

    dialogs_.AnswerOpenFile(WriteFile(QStringLiteral("mine/local.txt"), "http://local.test/{website}\r\n"));
    Child<QAction>(*window_, "loadServicesFileAction")->trigger();
    EXPECT_EQ(Services().currentText(), QStringLiteral("local.txt"));
    EXPECT_EQ(Urls(window_->Table), QStringList{"http://local.test/first.example"});

    // Removing it selects the first file, as before.
    dialogs_.AnswerConfirm(true);
    Child<QAction>(*window_, "removeServicesFileAction")->trigger();
    EXPECT_EQ(Services().currentText(), QStringLiteral("a.txt"));
    EXPECT_EQ(Urls(window_->Table), (QStringList{"http://x.test/first.example", "http://y.test/first.example"}));
    EXPECT_TRUE(dialogs_.AllAnswersUsed());
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).isEmpty());
}

}  // namespace
}  // namespace larkspire
