#include "lists/PingListExpansion.h"

#include "lists/PingTable.h"
#include "lists/PingTableColumns.h"
#include "lists/WebsiteNormalizer.h"

#include <QSet>

#include <algorithm>
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
    for (QStringView piece : cut.Pieces)
        cut.LiteralLength += piece.size();
    return cut;
}

QString FillTemplate(const QString& line, const TemplatePieces& cut, const QString& website)
{
    if (cut.Pieces.size() == 1)
        return line;  // shared, not copied
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

QStringView TrimmedOfBlanks(QStringView line)
{
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!line.isEmpty() && isBlank(line.front()))
        line = line.mid(1);
    while (!line.isEmpty() && isBlank(line.back()))
        line.chop(1);
    return line;
}

// The trimmed line, or nothing for a blank or comment line.
std::optional<QString> LineGivingRows(const QString& line)
{
    const QStringView trimmed = TrimmedOfBlanks(line);
    if (trimmed.isEmpty() || trimmed.front() == u'#')
        return std::nullopt;
    // An untrimmed line is shared, not copied.
    return trimmed.size() == line.size() ? line : trimmed.toString();
}

QStringList ExpandSources(const QStringList& websites, const QStringList& templates)
{
    std::vector<TemplatePieces> cuts;
    cuts.reserve(static_cast<std::size_t>(templates.size()));
    for (const QString& line : templates)
        cuts.push_back(CutAtPlaceholders(line));

    QStringList lines;
    lines.reserve(websites.size() * templates.size());
    for (const QString& website : websites) {
        for (qsizetype s = 0; s < templates.size(); ++s)
            lines.append(FillTemplate(templates[s], cuts[static_cast<std::size_t>(s)], website));
    }
    return lines;
}

}  // namespace

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
    // The old rows go before the new list is built, so the two never take memory at the same time;
    // the view hears of the whole change once, at the end.
    PingTable::Batch batch(table);
    ClearColumn(table, PingTable::ColumnUrl);
    FillColumnsFromLines(table, ExpandSources(sources.Websites, sources.Templates), PingTable::ColumnUrl,
                         FilledColumns, ColumnSeparator);
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

QString TotalUrlText(int rowCount)
{
    return QString::number(rowCount);
}

}  // namespace larkspire
