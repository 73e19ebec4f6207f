#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <string>

#include "lists/PingTable.h"

namespace larkspire::test {

// A folder of its own for the files of one test.
class TestFolder {
public:
    std::string Path(const std::string& name) const { return dir_.filePath(QString::fromStdString(name)).toStdString(); }

private:
    QTemporaryDir dir_;
};

// The status that the loopback server's answer by path leads to, picked by the Url's last path segment:
// "200" to "299" and "301" (a redirect to /200) "Completed", "reset" "Aborted", anything else "Error <segment>".
QString StatusByPath(const QString& url);

// The table the window builds from these lists, each row's status being statusOf its Url.
PingTable WindowTable(const QStringList& websites, const QStringList& services,
                      const std::function<QString(const QString&)>& statusOf);
// The table the window would hold for these lines read as ready URLs.
PingTable WindowTableFromUrls(const QStringList& lines, const std::function<QString(const QString&)>& statusOf);

// The bytes of the window's export of table: every row (filterColumn 0) or the rows whose status is filterText.
std::string WindowExport(const PingTable& table, int filterColumn, const QString& filterText);
std::string WindowExportCompleted(const PingTable& table);
std::string WindowExportNotCompleted(const PingTable& table);
std::string WindowExportAll(const PingTable& table);

// What --results writes for table: Url, TAB, status and LF per row, in UTF-8.
std::string ResultsText(const PingTable& table);

// Lines joined with CR LF after each, the way the window writes exports and users write lists (ASCII only).
std::string CrLfLines(const QStringList& lines);

}  // namespace larkspire::test
