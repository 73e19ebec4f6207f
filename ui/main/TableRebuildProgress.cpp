#include "ui/main/TableRebuildProgress.h"

#include "lists/PingListExpansion.h"
#include "lists/PingTable.h"
#include "lists/PingTableColumns.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QStatusBar>
#include <QTimer>

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

namespace larkspire {

namespace {

constexpr int PollMilliseconds = 50;

QString BuildingMessage(double rows, qint64 elapsedMilliseconds)
{
    return QStringLiteral("Building the ping table: %1 rows, %2 s")
        .arg(QString::number(rows, 'f', 0), QString::number(elapsedMilliseconds / 1000.0, 'f', 1));
}

}  // namespace

RowSourceCounts RebuildPingTableShowingProgress(PingTable& table, const QStringList& websites,
                                                const QStringList& templates, QStatusBar& statusBar)
{
    const RowSources sources = LinesGivingRows(websites, templates);
    const PingListSize size = MeasurePingList(sources.Websites, sources.Templates);
    CheckPingListFits(size, UsableMemoryBytes());
    // The old rows go before the new ones are built, so the two never take memory at the same time.
    ClearColumn(table, PingTable::ColumnUrl);

    PingTable built;
    RowSourceCounts counts;
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    const auto build = [&] {
        try {
            counts = FillPingTable(built, sources);
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
    };
    std::thread builder;
    try {
        builder = std::thread(build);
    } catch (const std::system_error&) {
        build();  // no thread to be had: the window waits, as it always did
    }

    QElapsedTimer clock;
    clock.start();
    QEventLoop waiting;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &waiting, [&] {
        if (finished)
            waiting.quit();
        else
            statusBar.showMessage(BuildingMessage(size.Rows, clock.elapsed()));
    });
    if (!finished) {
        statusBar.showMessage(BuildingMessage(size.Rows, 0));
        poll.start(PollMilliseconds);
        waiting.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (builder.joinable()) builder.join();
    statusBar.clearMessage();
    if (failure) std::rethrow_exception(failure);
    table.TakeRowsOf(built);
    return counts;
}

}  // namespace larkspire
