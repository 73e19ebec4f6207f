#include "lists/PingListExpansion.h"

#include "lists/PingTable.h"
#include "lists/PingTableColumns.h"
#include "lists/WebsiteNormalizer.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace larkspire {

namespace {

const QString Placeholder = QStringLiteral("{website}");
const QString ColumnSeparator = QStringLiteral("||");
constexpr int FilledColumns = 2;

// A template cut at its placeholders once, so each website is put in by plain appends:
// Pieces[0] website Pieces[1] website ... Pieces[n].
struct TemplatePieces {
    std::vector<QStringView> Pieces;
    qsizetype LiteralLength = 0;
};

TemplatePieces CutAtPlaceholders(const QString& line)
{
    TemplatePieces cut;
    qsizetype start = 0;
    for (qsizetype found = line.indexOf(Placeholder, 0, Qt::CaseInsensitive); found >= 0;
         found = line.indexOf(Placeholder, start, Qt::CaseInsensitive)) {
        cut.Pieces.push_back(QStringView(line).mid(start, found - start));
        start = found + Placeholder.size();
    }
    cut.Pieces.push_back(QStringView(line).mid(start));
    for (QStringView piece : cut.Pieces) cut.LiteralLength += piece.size();
    return cut;
}

QString FillTemplate(const QString& line, const TemplatePieces& cut, const QString& website)
{
    if (cut.Pieces.size() == 1) return line;  // shared, not copied
    const auto placeholders = static_cast<qsizetype>(cut.Pieces.size() - 1);
    QString url;
    url.reserve(cut.LiteralLength + placeholders * website.size());
    url.append(cut.Pieces.front());
    for (std::size_t i = 1; i < cut.Pieces.size(); ++i) {
        url.append(website);
        url.append(cut.Pieces[i]);
    }
    return url;
}

// What one row costs beside its text: its entry in the expanded list, the table's row of three texts and the
// allocation that holds the text.
constexpr double RowOverheadBytes = 128;
constexpr double BytesPerCharacter = 2;

double Limit(int resource)
{
    struct rlimit limit {};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<double>::infinity();
    return static_cast<double>(limit.rlim_cur);
}

QString Millions(double bytes) { return QString::number(std::ceil(bytes / 1e6), 'f', 0); }

QStringView TrimmedOfBlanks(QStringView line)
{
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!line.isEmpty() && isBlank(line.front())) line = line.mid(1);
    while (!line.isEmpty() && isBlank(line.back())) line.chop(1);
    return line;
}

// The trimmed line, or nothing for a blank or comment line.
std::optional<QString> LineGivingRows(const QString& line)
{
    const QStringView trimmed = TrimmedOfBlanks(line);
    if (trimmed.isEmpty() || trimmed.front() == u'#') return std::nullopt;
    // An untrimmed line is shared, not copied.
    return trimmed.size() == line.size() ? line : trimmed.toString();
}

QStringList ExpandSources(const QStringList& websites, const QStringList& templates)
{
    std::vector<TemplatePieces> cuts;
    cuts.reserve(static_cast<std::size_t>(templates.size()));
    for (const QString& line : templates) cuts.push_back(CutAtPlaceholders(line));

    QStringList lines;
    lines.reserve(websites.size() * templates.size());
    for (const QString& website : websites) {
        for (qsizetype s = 0; s < templates.size(); ++s)
            lines.append(FillTemplate(templates[s], cuts[static_cast<std::size_t>(s)], website));
    }
    return lines;
}

}  // namespace

PingListSize MeasurePingList(const QStringList& websites, const QStringList& templates)
{
    // A normalised website is never longer than its line, so the lines' lengths bound the text.
    double websiteCharacters = 0;
    for (const QString& website : websites) websiteCharacters += static_cast<double>(website.size());
    const auto websiteCount = static_cast<double>(websites.size());
    PingListSize size;
    size.Rows = websiteCount * static_cast<double>(templates.size());
    size.Bytes = size.Rows * RowOverheadBytes;
    for (const QString& line : templates) {
        const auto placeholders = static_cast<double>(line.count(Placeholder, Qt::CaseInsensitive));
        if (placeholders == 0) continue;  // the template itself is shared by every row
        const double literal = static_cast<double>(line.size()) - placeholders * Placeholder.size();
        size.Bytes += BytesPerCharacter * (websiteCount * (literal + 1) + placeholders * websiteCharacters);
    }
    return size;
}

void CheckPingListFits(const PingListSize& size, double memoryBytes)
{
    if (size.Rows > MaxPingRows)
        throw PingListTooLargeError(QStringLiteral("The lists would make %1 rows; the ping table takes at most %2")
                                        .arg(QString::number(size.Rows, 'f', 0), QString::number(MaxPingRows, 'f', 0))
                                        .toStdString());
    if (size.Bytes > memoryBytes)
        throw PingListTooLargeError(
            QStringLiteral("The lists would need about %1 MB of memory for their %2 rows; there are %3 MB")
                .arg(Millions(size.Bytes), QString::number(size.Rows, 'f', 0), Millions(memoryBytes))
                .toStdString());
}

double UsableMemoryBytes()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    const double physical = pages > 0 && pageSize > 0 ? static_cast<double>(pages) * static_cast<double>(pageSize)
                                                      : std::numeric_limits<double>::infinity();
    return std::min({physical, Limit(RLIMIT_AS), Limit(RLIMIT_DATA)});
}

RowSources LinesGivingRows(const QStringList& websites, const QStringList& templates)
{
    RowSources sources;
    QSet<QString> listed;
    for (const QString& line : websites) {
        if (const std::optional<QString> website = LineGivingRows(line)) {
            QString normalized = NormalizeWebsite(*website);
            if (!listed.contains(normalized)) {
                listed.insert(normalized);
                sources.Websites.append(std::move(normalized));
            }
        }
    }
    for (const QString& line : templates) {
        if (std::optional<QString> pingTemplate = LineGivingRows(line))
            sources.Templates.append(*std::move(pingTemplate));
    }
    return sources;
}

QStringList ExpandPingList(const QStringList& websites, const QStringList& templates)
{
    const RowSources sources = LinesGivingRows(websites, templates);
    return ExpandSources(sources.Websites, sources.Templates);
}

RowSourceCounts RebuildPingTable(PingTable& table, const QStringList& websites, const QStringList& templates)
{
    const RowSources sources = LinesGivingRows(websites, templates);
    CheckPingListFits(MeasurePingList(sources.Websites, sources.Templates), UsableMemoryBytes());
    return FillPingTable(table, sources);
}

RowSourceCounts FillPingTable(PingTable& table, const RowSources& sources)
{
    // The old rows go before the new list is built, so the two never take memory at the same time;
    // the view hears of the whole change once, at the end.
    PingTable::Batch batch(table);
    ClearColumn(table, PingTable::ColumnUrl);
    FillColumnsFromLines(table, ExpandSources(sources.Websites, sources.Templates), PingTable::ColumnUrl, FilledColumns,
                         ColumnSeparator);
    return {sources.Websites.size(), sources.Templates.size()};
}

bool HoldsPlaceholder(const QStringList& templates)
{
    return std::any_of(templates.begin(), templates.end(), [](const QString& line) {
        const std::optional<QString> pingTemplate = LineGivingRows(line);
        return pingTemplate && pingTemplate->contains(Placeholder, Qt::CaseInsensitive);
    });
}

QString WebsitesNumberText(qsizetype websites, qsizetype services)
{
    return QString::number(websites) + u'/' + QString::number(services);
}

QString TotalUrlText(int rowCount) { return QString::number(rowCount); }

}  // namespace larkspire
