#include "ui/widgets/DesktopLinks.h"

#include "base/AppInfo.h"
#include "tests/support/qt/QtPrinters.h"
#include "tests/support/qt/ScriptedDialogs.h"
#include "tests/ui/editor/EditorTestFiles.h"
#include "ui/about/AboutWindow.h"
#include "ui/widgets/ClickableImage.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace larkspire {
namespace {

// Puts a stand-in xdg-open first on PATH for the test; it writes the arguments it was started with,
// each followed by a NUL, to the file named by LARKSPIRE_SHELL_RECORD.
class DesktopLinksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString script = files.Write(QStringLiteral("xdg-open"),
                                           "#!/bin/sh\n"
                                           "printf '%s\\0' \"$@\" > \"$LARKSPIRE_SHELL_RECORD.part\"\n"
                                           "mv \"$LARKSPIRE_SHELL_RECORD.part\" \"$LARKSPIRE_SHELL_RECORD\"\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        savedPath = qgetenv("PATH");
        qputenv("PATH", files.Root().toLocal8Bit() + ':' + savedPath);
    }

    void TearDown() override
    {
        qputenv("PATH", savedPath);
        qunsetenv("LARKSPIRE_SHELL_RECORD");
    }

    // The arguments the stand-in received when `open` ran, or nothing if it was not started in time.
    std::optional<QStringList> ArgumentsOf(const std::function<void()>& open)
    {
        const QString record = files.Path(QStringLiteral("record-%1").arg(++records));
        qputenv("LARKSPIRE_SHELL_RECORD", record.toLocal8Bit());
        open();
        if (!QTest::qWaitFor([&] { return QFileInfo::exists(record); }, 20000)) return std::nullopt;
        QStringList arguments = QString::fromUtf8(TestFolder::Read(record)).split(QChar(0));
        arguments.removeLast();  // after the last NUL
        return arguments;
    }

    TestFolder files;
    QByteArray savedPath;
    int records = 0;
};

TEST_F(DesktopLinksTest, SupportLinkCarriesTheSubjectAsItIs)
{
    const AppInfo info("/opt/larkspire/larkspire-indexer");
    EXPECT_EQ(SupportLink(info),
              QStringLiteral("mailto:support@larkspire.example?subject=Larkspire Indexer support request"));
    EXPECT_EQ(OnlineManualAddress(), QStringLiteral("http://docs.larkspire.example/index.html?indexer_home.html"));
}

TEST_F(DesktopLinksTest, HandsTheTextUnchangedAsOneArgument)
{
    const AppInfo info("/opt/larkspire/larkspire-indexer");
    const QStringList texts = {
        SupportLink(info),
        OnlineManualAddress(),
        QStringLiteral("http://site.example/page?a=1&b=two words&c=%20"),
        QStringLiteral("no scheme; $(echo not run) `id` 'quoted'"),
        QString(),
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(ArgumentsOf([&] { OpenWithShell(text); }), QStringList({text}));
    }
}

TEST_F(DesktopLinksTest, WithoutAHandlerNothingIsShownAndTheCallerIsTold)
{
    ScriptedDialogs dialogs;
    qputenv("PATH", files.Path(QStringLiteral("no-such-folder")).toLocal8Bit());
    EXPECT_FALSE(OpenWithShell(QStringLiteral("http://site.example/")));
    EXPECT_TRUE(dialogs.ShownBoxes().isEmpty());
}

TEST_F(DesktopLinksTest, AboutLinkWithoutAHandlerNamesTheAddress)
{
    ScriptedDialogs dialogs;
    AboutWindow about;
    about.show();
    qputenv("PATH", files.Path(QStringLiteral("no-such-folder")).toLocal8Bit());
    about.okButton->click();
    EXPECT_EQ(dialogs.Texts(ScriptedDialogs::Kind::Information),
              QStringList{QStringLiteral("No program could be started to open http://www.larkspire.example/. "
                                         "Please open it by hand.")});
}

TEST_F(DesktopLinksTest, AboutWindowOpensTheMakersPages)
{
    AboutWindow about;
    about.show();
    struct Link {
        const char* name;
        std::function<void()> click;
        QString target;
    };
    const QList<Link> links = {
        {"home page", [&] { about.okButton->click(); }, QStringLiteral("http://www.larkspire.example/")},
        {"Facebook", [&] { QTest::mouseClick(about.facebookImage, Qt::LeftButton); },
         QStringLiteral("https://www.facebook.com/groups/larkspireindexer/")},
        {"Twitter", [&] { QTest::mouseClick(about.twitterImage, Qt::LeftButton); },
         QStringLiteral("https://twitter.com/larkspireindexer")},
        {"YouTube", [&] { QTest::mouseClick(about.youtubeImage, Qt::LeftButton); },
         QStringLiteral("https://www.youtube.com/@larkspireindexer")},
    };
    for (const Link& link : links) {
        SCOPED_TRACE(link.name);
        EXPECT_EQ(ArgumentsOf(link.click), QStringList({link.target}));
    }
}

}  // namespace
}  // namespace larkspire
