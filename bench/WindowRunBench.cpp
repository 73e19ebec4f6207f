// A ping run through the real main window on the offscreen platform, as a user starts it: Load a websites file,
// Start, wait for the end message. Measures the time from the first row's start (the end of the start pause)
// to the end message, and the longest time the GUI thread's event loop was kept from running meanwhile.
//
//   bench_window_run WEBSITES_FILE TEMPLATE [THREADS]
//
// Every line of WEBSITES_FILE is expanded into TEMPLATE (e.g. "http://{website}"). Loopback targets only.

#include "base/AppInfo.h"
#include "ui/main/MainWindow.h"
#include "ui/widgets/Dialogs.h"
#include "ui/widgets/SliderWithBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <memory>
#include <utility>

namespace {

using namespace larkspire;
using Clock = std::chrono::steady_clock;

// Answers the open dialog with the websites file and notes when the end message comes.
class BenchDialogs final : public DialogBackend {
public:
    explicit BenchDialogs(QString websites) : websites_(std::move(websites)) {}
    void Information(QWidget*, const QString&, const QString& text) override
    {
        endMessage = text;
        endedAt = Clock::now();
    }
    void Error(QWidget*, const QString&, const QString& text) override { std::printf("error: %s\n", qPrintable(text)); }
    bool Confirm(QWidget*, const QString&, const QString&) override { return false; }
    Answer AskYesNoCancel(QWidget*, const QString&, const QString&) override { return Answer::Cancel; }
    QString OpenFileName(QWidget*, const FileDialogOptions&) override { return websites_; }
    QString SaveFileName(QWidget*, const FileDialogOptions&) override { return {}; }

    QString endMessage;
    Clock::time_point endedAt;

private:
    QString websites_;
};

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_window_run WEBSITES_FILE TEMPLATE [THREADS]\n");
        return 2;
    }
    const int threads = argc > 3 ? std::atoi(argv[3]) : 60;
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir(folder.path()).mkdir(QStringLiteral("indexer")))
        return 1;
    QFile services(folder.filePath(QStringLiteral("indexer/bench.txt")));
    if (!services.open(QIODevice::WriteOnly) || services.write(QByteArray(argv[2]) + "\r\n") < 0)
        return 1;
    services.close();
    BenchDialogs dialogs(QString::fromLocal8Bit(argv[1]));
    Dialogs::SetBackend(&dialogs);

    auto info = std::make_unique<AppInfo>(folder.filePath(QStringLiteral("x")).toStdString());
    MainWindow window(static_cast<unsigned>(threads), std::move(info));
    window.show();
    window.onLoadWebsitesClicked();
    window.threadsSetting->SetValue(threads);
    const int rows = window.Table.RowCount();

    // A 5 ms tick on the GUI thread: the longest gap between two ticks while the run checks rows is the
    // longest time the event loop was held.
    Clock::time_point firstRowAt{};
    Clock::time_point lastTick = Clock::now();
    Clock::duration longestGap{};
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        if (firstRowAt == Clock::time_point{} && window.processedValueLabel->text() != QStringLiteral("0"))
            firstRowAt = now;
        else if (firstRowAt != Clock::time_point{} && dialogs.endMessage.isEmpty())
            longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
        if (!dialogs.endMessage.isEmpty())
            QCoreApplication::quit();
    });
    tick.start(5);
    window.onStartClicked();
    QApplication::exec();

    QMap<QString, int> statuses;
    for (int row = 0; row < rows; ++row)
        ++statuses[window.Table.GetCell(1, row)];
    const double seconds = Milliseconds(dialogs.endedAt - firstRowAt) / 1000.0;
    std::printf("rows %d, threads %d, end message \"%s\"\n", rows, threads, qPrintable(dialogs.endMessage));
    for (auto it = statuses.cbegin(); it != statuses.cend(); ++it)
        std::printf("  %s: %d\n", qPrintable(it.key()), it.value());
    std::printf("run %.3f s, %.0f URLs/s, longest event-loop gap %.1f ms\n", seconds, rows / seconds,
                Milliseconds(longestGap));
    Dialogs::SetBackend(nullptr);
    return 0;
}
