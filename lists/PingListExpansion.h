#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace larkspire {

class PingTable;

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

// The table rebuild of ReloadPingTable: the table is emptied (ClearColumn on column 0), the whole expanded list
// is built, then the table is filled from it in one pass (FillColumnsFromLines, column 0, 2 columns, "||"),
// all under one reset notification.
RowSourceCounts RebuildPingTable(PingTable& table, const QStringList& websites, const QStringList& templates);

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
