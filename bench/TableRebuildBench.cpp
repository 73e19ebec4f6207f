// Rebuilding the ping table from 1,000 websites and 1,000 templates: the expansion, ClearColumn and
// FillColumnsFromLines into a 1,000,000-row table, timed, with the process's peak memory.

#include "bench/PeakMemory.h"
#include "lists/PingListExpansion.h"
#include "lists/PingTable.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr int Websites = 1000;
constexpr int Templates = 1000;

class ResetCounter : public larkspire::PingTableListener {
public:
    void TableAboutToReset() override {}
    void TableReset() override { ++resets; }
    void CellChanged(int, int) override { ++cellChanges; }

    int resets = 0;
    long cellChanges = 0;
};

QStringList MakeWebsites()
{
    QStringList websites;
    for (int i = 0; i < Websites; ++i) websites.append(QStringLiteral("https://www.website-number-%1.example/").arg(i));
    return websites;
}

QStringList MakeTemplates()
{
    QStringList templates;
    for (int i = 0; i < Templates; ++i)
        templates.append(
            QStringLiteral("http://indexing-service-%1.test/ping?url=http://{website}/&src={WEBSITE}").arg(i));
    return templates;
}

double MillisecondsOfRebuild(larkspire::PingTable& table, const QStringList& websites, const QStringList& templates)
{
    const auto start = std::chrono::steady_clock::now();
    larkspire::RebuildPingTable(table, websites, templates);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main()
{
    const QStringList websites = MakeWebsites();
    const QStringList templates = MakeTemplates();
    larkspire::PingTable table;
    ResetCounter listener;
    table.SetListener(&listener);

    const double intoEmpty = MillisecondsOfRebuild(table, websites, templates);
    const double overFull = MillisecondsOfRebuild(table, websites, templates);

    std::printf("rows: %d (%d websites x %d templates)\n", table.RowCount(), Websites, Templates);
    std::printf("row 999999: %s\n", qPrintable(table.GetCell(0, table.RowCount() - 1)));
    std::printf("rebuild into an empty table: %.1f ms\n", intoEmpty);
    std::printf("rebuild over a full table:   %.1f ms\n", overFull);
    std::printf("reset notifications: %d, cell notifications: %ld\n", listener.resets, listener.cellChanges);
    std::printf("peak RSS: %.1f MB\n", PeakResidentMegabytes());
    return 0;
}
