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
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <ctime>
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

// Processor time the calling thread has used: what part of a gap the GUI thread ran, and what part it waited for
// a processor.
Clock::duration ThreadTime()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// Time the calling thread has waited, runnable, for a processor (the kernel's scheduler statistics).
Clock::duration ThreadQueueTime()
{
    unsigned long long run = 0, waited = 0;
    if (FILE* stats = std::fopen("/proc/thread-self/schedstat", "r")) {
        if (std::fscanf(stats, "%llu %llu", &run, &waited) != 2) waited = 0;
        std::fclose(stats);
    }
    return std::chrono::nanoseconds(waited);
}

// Times every event the GUI thread's loop hands out (the outermost only, not the events sent from inside one),
// so that a long gap can be put down to the event that held the loop.
class TimedApplication final : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (depth_ > 0 || !timing) {
            ++depth_;
            const bool handled = QApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        const int type = event->type();
        const char* className = receiver->metaObject()->className();
        ++depth_;
        const Clock::time_point start = Clock::now();
        const bool handled = QApplication::notify(receiver, event);
        const Clock::duration took = Clock::now() - start;
        --depth_;
        if (took > longestEvent) {
            longestEvent = took;
            longestEventType = type;
            longestEventReceiver = className;
        }
        return handled;
    }

    bool timing = false;
    Clock::duration longestEvent{};
    int longestEventType = 0;
    const char* longestEventReceiver = "";

private:
    int depth_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_window_run WEBSITES_FILE TEMPLATE [THREADS]\n");
        return 2;
    }
    const int threads = argc > 3 ? std::atoi(argv[3]) : 60;
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir(folder.path()).mkdir(QStringLiteral("indexer"))) return 1;
    QFile services(folder.filePath(QStringLiteral("indexer/bench.txt")));
    if (!services.open(QIODevice::WriteOnly) || services.write(QByteArray(argv[2]) + "\r\n") < 0) return 1;
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
    Clock::duration lastTickThreadTime = ThreadTime();
    Clock::duration longestGapThreadTime{};
    Clock::duration lastTickQueueTime = ThreadQueueTime();
    Clock::duration longestGapQueueTime{};
    Clock::duration firstRowThreadTime{};
    Clock::duration runThreadTime{};
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        const Clock::duration threadTime = ThreadTime();
        const Clock::duration queueTime = ThreadQueueTime();
        if (firstRowAt == Clock::time_point{} && window.processedValueLabel->text() != QStringLiteral("0")) {
            firstRowAt = now;
            firstRowThreadTime = threadTime;
            application.timing = true;
        } else if (firstRowAt != Clock::time_point{} && dialogs.endMessage.isEmpty() && now - lastTick > longestGap) {
            longestGap = now - lastTick;
            longestGapThreadTime = threadTime - lastTickThreadTime;
            longestGapQueueTime = queueTime - lastTickQueueTime;
        }
        lastTick = now;
        lastTickThreadTime = threadTime;
        lastTickQueueTime = queueTime;
        if (!dialogs.endMessage.isEmpty()) {
            if (application.timing) runThreadTime = threadTime - firstRowThreadTime;
            application.timing = false;
            QCoreApplication::quit();
        }
    });
    tick.start(5);
    window.onStartClicked();
    QApplication::exec();

    QMap<QString, int> statuses;
    for (int row = 0; row < rows; ++row) ++statuses[window.Table.GetCell(1, row)];
    const double seconds = Milliseconds(dialogs.endedAt - firstRowAt) / 1000.0;
    std::printf("rows %d, threads %d, end message \"%s\"\n", rows, threads, qPrintable(dialogs.endMessage));
    for (auto it = statuses.cbegin(); it != statuses.cend(); ++it)
        std::printf("  %s: %d\n", qPrintable(it.key()), it.value());
    std::printf("run %.3f s, %.0f URLs/s, longest event-loop gap %.1f ms (the GUI thread ran %.1f ms of it, "
                "waited %.1f ms for a processor)\n",
                seconds, rows / seconds, Milliseconds(longestGap), Milliseconds(longestGapThreadTime),
                Milliseconds(longestGapQueueTime));
    std::printf("the GUI thread ran %.0f %% of the run\n", 100.0 * Milliseconds(runThreadTime) / 1000.0 / seconds);
    std::printf("longest event %.1f ms: type %d to a %s\n", Milliseconds(application.longestEvent),
                application.longestEventType, application.longestEventReceiver);
    Dialogs::SetBackend(nullptr);
    return 0;
}
