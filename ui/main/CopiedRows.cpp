#include "ui/main/CopiedRows.h"

namespace larkspire {

QString CopiedRowsText(const PingTable& table, const std::vector<int>& rows)
{
    QString text;
    for (int row : rows) {
        text += table.GetCell(PingTable::ColumnUrl, row);
        text += QLatin1Char('\t');
        text += table.GetCell(PingTable::ColumnPing, row);
        text += QLatin1Char('\n');
    }
    return text;
}

}  // namespace larkspire
