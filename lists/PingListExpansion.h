#pragma once

#include "base/LarkspireError.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace larkspire {

class PingTable;

// The lists would make more rows than the table takes or than the memory holds; what() says which.
class PingListTooLargeError : public LarkspireError {
public:
    using LarkspireError::LarkspireError;
};

// The most rows a ping table is built with.
inline constexpr double MaxPingRows = 50'000'000;

// How large the expansion of two lists comes out, counted before any of it is built: its rows and an upper
// bound of the bytes they take in the expanded list and the table together.
struct PingListSize {
    double Rows = 0;
    double Bytes = 0;
};

PingListSize MeasurePingList(const QStringList& websites, const QStringList& templates);

// Throws PingListTooLargeError past MaxPingRows or past `memoryBytes`.
void CheckPingListFits(const PingListSize& size, double memoryBytes);

// The memory this process may take: the machine's physical memory, or less where the process's limits on
// its address space or data say so.
double UsableMemoryBytes();

// The lines of a websites and a services list that give rows. Every line is trimmed of the blanks (spaces
// and TABs) around it; a line left empty, or whose first character is "#", gives none; a website whose
// normalised form is already listed gives none again. The websites come out normalised (NormalizeWebsite).
struct RowSources {
    QStringList Websites;
    QStringList Templates;
};
RowSources LinesGivingRows(const QStringList& websites, const QStringList& templates);

// Every website expanded into every template, websites-major, from LinesGivingRows: line w*S + s is
// template s with each "{website}" (any letter case) replaced by website w.
QStringList ExpandPingList(const QStringList& websites, const QStringList& templates);

// How many websites and templates gave rows.
struct RowSourceCounts {
    qsizetype Websites = 0;
    qsizetype Templates = 0;
};

// The table rebuild of ReloadPingTable. Lists too large to expand are refused first (CheckPingListFits against
// UsableMemoryBytes), the table left as it was. Otherwise the table is emptied (ClearColumn on column 0), the whole
// expanded list is built, then the table is filled from it in one pass (FillColumnsFromLines, column 0, 2 columns,
// "||"), all under one reset notification.
RowSourceCounts RebuildPingTable(PingTable& table, const QStringList& websites, const QStringList& templates);
// The second half of RebuildPingTable, for a caller that has made and checked the sources itself.
RowSourceCounts FillPingTable(PingTable& table, const RowSources& sources);

// Whether any line that gives rows holds "{website}" (any letter case); without one every website gets the
// same URLs.
bool HoldsPlaceholder(const QStringList& templates);

// The websites/services counter, e.g. "12/35".
QString WebsitesNumberText(qsizetype websites, qsizetype services);

// The URL counter: the number of rows in decimal.
QString TotalUrlText(int rowCount);

// What the time label shows when the counters are refreshed.
inline constexpr QStringView ZeroTimeText = u"00:00:00";

}  // namespace larkspire
