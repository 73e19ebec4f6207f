#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/main/MainWindowFixture.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace larkspire {
namespace {

using Kind = ScriptedDialogs::Kind;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAddressSpaceCanBeLimited = false;  // the sanitizers reserve terabytes of address space
#else
constexpr bool kAddressSpaceCanBeLimited = true;
#endif

QByteArray Lines(const QString& pattern, int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i) bytes += pattern.arg(i).toUtf8() + "\r\n";
    return bytes;
}

class MainWindowListLoading : public MainWindowFixture {
protected:
    void LoadWebsites(const QString& path)
    {
        dialogs_.AnswerOpenFile(path);
        Child<QPushButton>(*window_, "loadWebsitesButton")->click();
    }

    ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

// A FIFO used to block the window for good before it even showed.
TEST_F(MainWindowListLoading, AFifoInTheServicesFolderIsReportedAndTheWindowComesUp)
{
    WriteServices(QStringLiteral("b.txt"), "http://x.test/{website}\r\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(ServicesFolder() + QStringLiteral("a.txt")).constData(), 0600), 0);
    window_ = MakeWindow();
    EXPECT_EQ(
        dialogs_.Texts(Kind::Error),
        QStringList{QStringLiteral("\"%1\" is not a regular file (a FIFO, device or socket) and cannot be a list.")
                        .arg(ServicesFolder() + QStringLiteral("a.txt"))});
    EXPECT_EQ(Child<QComboBox>(*window_, "servicesCombo")->count(), 2);
}

// While a large table is built the window goes on handling its events (a timer keeps firing) and the status bar
// says what is going on; the rows are all there afterwards.
TEST_F(MainWindowListLoading, BuildingALargeTableKeepsTheWindowAliveWithProgressInTheStatusBar)
{
    WriteServices(QStringLiteral("a.txt"), "http://x.test/?u={website}\r\nhttp://y.test/{website}\r\n"
                                           "http://z.test/{website}/\r\n");
    const QString websites = WriteFile(QStringLiteral("sites.txt"), Lines(QStringLiteral("site%1.example"), 300000));
    window_ = MakeWindow();
    QStringList messagesSeen;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout,
                     [&] { messagesSeen << Child<QStatusBar>(*window_, "bottomStatusBar")->currentMessage(); });
    watcher.start(10);

    LoadWebsites(websites);

    watcher.stop();
    ASSERT_EQ(window_->Table.RowCount(), 900000);
    EXPECT_EQ(window_->Table.GetCell(0, 899999), QStringLiteral("http://z.test/site299999.example/"));
    ASSERT_FALSE(messagesSeen.isEmpty()) << "no event was handled while the table was built";
    EXPECT_TRUE(messagesSeen.front().startsWith(QStringLiteral("Building the ping table: 900000 rows, ")))
        << messagesSeen.front().toStdString();
    EXPECT_TRUE(Child<QStatusBar>(*window_, "bottomStatusBar")->currentMessage().isEmpty());
    EXPECT_TRUE(dialogs_.Texts(Kind::Error).isEmpty());
}

// 50,001 x 1,000 rows are refused before the table is touched: the rows of the last good load stay.
TEST_F(MainWindowListLoading, ListsTooLargeAreRefusedAndTheTableKept)
{
    WriteServices(QStringLiteral("a.txt"), Lines(QStringLiteral("http://x%1.test/?u={website}"), 1000));
    window_ = MakeWindow();
    LoadWebsites(WriteFile(QStringLiteral("few.txt"), "a.example\r\n"));
    ASSERT_EQ(window_->Table.RowCount(), 1000);
    window_->Table.SetCell(1, 0, QStringLiteral("Completed"));

    LoadWebsites(WriteFile(QStringLiteral("many.txt"), Lines(QStringLiteral("site%1.example"), 50001)));

    EXPECT_EQ(
        dialogs_.Texts(Kind::Error),
        QStringList{QStringLiteral("The lists would make 50001000 rows; the ping table takes at most 50000000.")});
    EXPECT_EQ(window_->Table.RowCount(), 1000);
    EXPECT_EQ(window_->Table.GetCell(1, 0), QStringLiteral("Completed"));
}

// Memory that runs out while a list loads is an error box, not the end of the program and its results. The limit
// on the address space is lowered for this test only, just far enough that the large file cannot be decoded.
TEST_F(MainWindowListLoading, RunningOutOfMemoryWhileLoadingIsAnErrorMessage)
{
    if (!kAddressSpaceCanBeLimited) GTEST_SKIP() << "a sanitizer build cannot run in a limited address space";
    WriteServices(QStringLiteral("a.txt"), "http://x.test/{website}\r\n");
    window_ = MakeWindow();
    LoadWebsites(WriteFile(QStringLiteral("few.txt"), "a.example\r\n"));
    const QString huge = Folder() + QStringLiteral("huge.txt");
    {
        std::ofstream file(QFile::encodeName(huge).toStdString(), std::ios::binary);
        const std::string line(1023, 'w');
        // 128 MiB of text, 256 MiB once decoded: more than the room given below, even read a piece at a time.
        for (int i = 0; i < 128 * 1024; ++i) file << line << '\n';
    }
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &saved), 0);
    struct rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (100u << 20);
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &tight), 0);
    LoadWebsites(huge);
    ::setrlimit(RLIMIT_AS, &saved);

    EXPECT_EQ(dialogs_.Texts(Kind::Error),
              QStringList{QStringLiteral(
                  "There is not enough memory for this command; it was stopped and the program goes on.")});
    EXPECT_EQ(window_->Table.RowCount(), 1);
    EXPECT_EQ(window_->Table.GetCell(0, 0), QStringLiteral("http://x.test/a.example"));
}

}  // namespace
}  // namespace larkspire
