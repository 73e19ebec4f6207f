// ReloadPingTable as the user meets it: the main window loads a websites file of 1,000 lines against a services
// file of 1,000 templates, and the 1,000,000 rows are shown in the grid. Times the Load command until the grid
// has painted, once into an empty table and once over the full one, and prints the peak memory.

#include "base/AppInfo.h"
#include "bench/PeakMemory.h"
#include "ui/main/MainWindow.h"
#include "ui/widgets/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

namespace {

using namespace larkspire;

// Answers every open dialog with one file; shows nothing.
class AnswerOpen final : public DialogBackend {
public:
    explicit AnswerOpen(QString path) : path_(std::move(path)) {}
    void Information(QWidget*, const QString&, const QString& text) override { Report(text); }
    void Error(QWidget*, const QString&, const QString& text) override { Report(text); }
    bool Confirm(QWidget*, const QString&, const QString&) override { return false; }
    Answer AskYesNoCancel(QWidget*, const QString&, const QString&) override { return Answer::Cancel; }
    QString OpenFileName(QWidget*, const FileDialogOptions&) override { return path_; }
    QString SaveFileName(QWidget*, const FileDialogOptions&) override { return {}; }

private:
    static void Report(const QString& text) { std::printf("box: %s\n", qPrintable(text)); }
    QString path_;
};

void WriteLines(const QString& path, const QString& pattern, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) std::abort();
    for (int i = 0; i < count; ++i) file.write(pattern.arg(i).toLatin1() + "\r\n");
}

double MillisecondsOfLoad(MainWindow& window)
{
    const auto start = std::chrono::steady_clock::now();
    window.onLoadWebsitesClicked();
    window.pingTableView->viewport()->repaint();
    QCoreApplication::processEvents();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir folder;
    folder.setAutoRemove(true);
    if (!folder.isValid() || !QDir(folder.path()).mkdir(QStringLiteral("indexer"))) return 1;
    WriteLines(folder.filePath(QStringLiteral("indexer/services.txt")),
               QStringLiteral("http://indexing-service-%1.test/ping?url=http://{website}/&src={WEBSITE}"), 1000);
    const QString websites = folder.filePath(QStringLiteral("websites.txt"));
    WriteLines(websites, QStringLiteral("https://www.website-number-%1.example/"), 1000);
    AnswerOpen dialogs(websites);
    Dialogs::SetBackend(&dialogs);

    MainWindow window(4, std::make_unique<AppInfo>(folder.filePath(QStringLiteral("larkspire-indexer")).toStdString()));
    window.show();
    QCoreApplication::processEvents();

    const double intoEmpty = MillisecondsOfLoad(window);
    const double overFull = MillisecondsOfLoad(window);
    std::printf("rows: %d\n", window.Table.RowCount());
    std::printf("load and show into an empty grid: %.1f ms\n", intoEmpty);
    std::printf("load and show over a full grid:   %.1f ms\n", overFull);
    std::printf("peak RSS: %.1f MB\n", PeakResidentMegabytes());
    Dialogs::SetBackend(nullptr);
    return 0;
}
