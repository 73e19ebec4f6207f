#include "tests/app/DrivenProgram.h"
#include "tests/support/LoopbackServer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace larkspire {
namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// Closing the window in the middle of a run ends the real program cleanly without waiting for the 60 checks,
// half of them in TLS handshakes, that hang on a server that never answers. The window closes as soon as 30 checks
// are under way, so those checks would end by their own 30 s time-out no sooner than 30 s after the close; the
// program must have ended before then. That bound leaves ample room for the sanitizers' exit work on a busy machine.
TEST(ExitDuringRun, ClosingTheWindowEndsTheProgramLongBeforeTheChecksTimeOut)
{
    test::LoopbackServer server{test::AnswerByPath{}};
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // A copy of the program, so that its services folder is ours.
    const QString copy = folder.filePath(QStringLiteral("larkspire-indexer"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(LARKSPIRE_INDEXER_EXE), copy));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("indexer")));
    QByteArray templates;
    for (int i = 0; i < 30; ++i)
        templates += "http://{website}/stall#" + QByteArray::number(i) + "\r\nhttps://{website}/stall#" +
                     QByteArray::number(i) + "\r\n";
    WriteFile(folder.filePath(QStringLiteral("indexer/hang.txt")), templates);
    const QString websites = folder.filePath(QStringLiteral("sites.txt"));
    WriteFile(websites, "127.0.0.1:" + QByteArray::number(server.Port()) + "\r\n");

    test::DrivenProgram program(copy,
                                {{QStringLiteral("LARKSPIRE_DRIVER_WEBSITES"), websites},
                                 {QStringLiteral("LARKSPIRE_DRIVER_CLOSE_WHEN_UNDER_WAY"), QStringLiteral("30")}});
    ASSERT_TRUE(program.Started());
    program.WaitForError("driver: closing");
    // The program may well have ended already while its last words were read.
    const bool ended = program.Process().state() == QProcess::NotRunning || program.Process().waitForFinished(25000);
    const QByteArray errors = program.Errors();
    QProcess& process = program.Process();

    const QRegularExpressionMatch underWay =
        QRegularExpression(QStringLiteral("closing with (\\d+) checks under way, time-out (\\d+) s"))
            .match(QString::fromUtf8(errors));
    ASSERT_TRUE(underWay.hasMatch()) << errors.toStdString();
    EXPECT_GE(underWay.captured(1).toInt(), 30) << "the run had not got going when the window closed";
    ASSERT_EQ(underWay.captured(2).toInt(), 30) << "the checks could end by themselves within the bound";
    EXPECT_TRUE(ended) << "still running 25 s after the window closed, as if it waited for the checks\n"
                       << errors.toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << errors.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << errors.toStdString();
}

}  // namespace
}  // namespace larkspire
