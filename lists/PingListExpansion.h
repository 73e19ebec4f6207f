#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace larkspire {

class PingTable;

// Every website expanded into every template, websites-major: line w*S + s is template s with each
// "{website}" (any letter case) replaced by NormalizeWebsite of website w.
QStringList ExpandPingList(const QStringList& websites, const QStringList& templates);

// The table rebuild of ReloadPingTable: the table is emptied (ClearColumn on column 0), the whole expanded list
// is built, then the table is filled from it in one pass (FillColumnsFromLines, column 0, 2 columns, "||"),
// all under one reset notification.
void RebuildPingTable(PingTable& table, const QStringList& websites, const QStringList& templates);

// The websites/services counter, e.g. "12/35".
QString WebsitesNumberText(qsizetype websites, qsizetype services);

// The URL counter: the number of rows in decimal.
QString TotalUrlText(int rowCount);

// What the time label shows when the counters are refreshed.
inline constexpr QStringView ZeroTimeText = u"00:00:00";

}  // namespace larkspire
