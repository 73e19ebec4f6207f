#include "CliTestSupport.h"

#include "CliProcess.h"
#include "lists/PingListExpansion.h"
#include "lists/PingTableColumns.h"

namespace larkspire::test {

namespace {

void SetStatuses(PingTable& table, const std::function<QString(const QString&)>& statusOf) {
    for (int row = 0; row < table.RowCount(); ++row)
        table.SetCell(PingTable::ColumnPing, row, statusOf(table.GetCell(PingTable::ColumnUrl, row)));
}

}  // namespace

QString StatusByPath(const QString& url) {
    const QString last = url.section(QLatin1Char('/'), -1);
    if (last.startsWith(QLatin1Char('2')) || last == QStringLiteral("301")) return QStringLiteral("Completed");
    if (last == QStringLiteral("reset")) return QStringLiteral("Aborted");
    return QStringLiteral("Error ") + last;
}

PingTable WindowTable(const QStringList& websites, const QStringList& services,
                      const std::function<QString(const QString&)>& statusOf) {
    PingTable table;
    RebuildPingTable(table, websites, services);
    SetStatuses(table, statusOf);
    return table;
}

PingTable WindowTableFromUrls(const QStringList& lines, const std::function<QString(const QString&)>& statusOf) {
    PingTable table;
    FillColumnsFromLines(table, lines, 0, 2, QStringLiteral("||"));
    SetStatuses(table, statusOf);
    return table;
}

std::string WindowExport(const PingTable& table, int filterColumn, const QString& filterText) {
    const TestFolder folder;
    const std::string path = folder.Path("export.txt");
    ExportColumn(table, QString::fromStdString(path), PingTable::ColumnUrl, filterColumn, filterText);
    return ReadBytes(path);
}

std::string WindowExportCompleted(const PingTable& table) {
    return WindowExport(table, PingTable::ColumnPing, QStringLiteral("Completed"));
}

std::string WindowExportNotCompleted(const PingTable& table) {
    return WindowExport(table, PingTable::ColumnPing, QString());
}

std::string WindowExportAll(const PingTable& table) {
    return WindowExport(table, 0, QString());
}

std::string ResultsText(const PingTable& table) {
    std::string text;
    for (int row = 0; row < table.RowCount(); ++row) {
        text += table.GetCell(PingTable::ColumnUrl, row).toStdString() + "\t" +
                table.GetCell(PingTable::ColumnPing, row).toStdString() + "\n";
    }
    return text;
}

std::string CrLfLines(const QStringList& lines) {
    std::string text;
    for (const QString& line : lines) text += line.toStdString() + "\r\n";
    return text;
}

}  // namespace larkspire::test
