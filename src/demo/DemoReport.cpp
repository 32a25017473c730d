#include "demo/DemoReport.h"

#include "measure/MeasurementCatalogue.h"

#include <algorithm>

namespace tonva::demo {

namespace {

QString verdictText(RowVerdict verdict)
{
    switch (verdict) {
    case RowVerdict::Passed:
        return QStringLiteral("PASS");
    case RowVerdict::Failed:
        return QStringLiteral("FAIL");
    case RowVerdict::NotMeasured:
        break;
    }
    return QStringLiteral("----");
}

} // namespace

QString stepTitle(const DemoStep &step)
{
    return QStringLiteral("%1, %2 ear")
        .arg(QString::fromLatin1(measurementListEntry(measurementEntryOf(step.mode)).windowText),
             earText(step.ear).toLower());
}

QString alignedTable(const QStringList &titles, const QList<QStringList> &rows)
{
    QList<qsizetype> widths;
    for (const QString &title : titles)
        widths << title.size();
    for (const QStringList &row : rows) {
        for (qsizetype column = 0; column < row.size() && column < widths.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    const auto line = [&widths](const QStringList &cells) {
        QString text;
        for (qsizetype column = 0; column < widths.size(); ++column) {
            const QString cell = column < cells.size() ? cells[column] : QString();
            text += column == 0 ? cell.leftJustified(widths[column])
                                : QStringLiteral("  ") + cell.rightJustified(widths[column]);
        }
        return text + QLatin1Char('\n');
    };
    QString table = line(titles);
    for (const QStringList &row : rows)
        table += line(row);
    return table;
}

HearingLevelList stepList(const AudTestRecord &record, const DemoStep &step)
{
    // The list builder works on writable blocks; it is given a copy.
    AudTestRecord results = record;
    constexpr auto earphone = TransducerType::SupraAural;
    return buildHearingLevelList(results.setup, earphone,
                                 toneResultBlocks(results, earphone, channelOf(step.ear)), step.mode, false);
}

int unmeasuredRows(const HearingLevelList &list)
{
    return static_cast<int>(std::count_if(list.rows.begin(), list.rows.end(), [](const HearingLevelRow &row) {
        return row.verdict == RowVerdict::NotMeasured;
    }));
}

QString resultTable(const AudTestRecord &record, const DemoStep &step)
{
    const HearingLevelList list = stepList(record, step);
    QList<QStringList> rows;
    for (const HearingLevelRow &row : list.rows)
        rows << (QStringList(row.cells) << verdictText(row.verdict));
    return alignedTable(QStringList(list.columns) << QStringLiteral("Result"), rows);
}

QString statusMatrix(const AudTestRecord &record)
{
    QStringList titles{QStringLiteral("Measurement")};
    for (int t = 0; t < kTransducerTypes; ++t)
        titles << transducerName(static_cast<TransducerType>(t));
    const QStringList names = measurementListTexts();
    QList<QStringList> rows;
    for (int kind = 0; kind < kMeasurementKinds; ++kind) {
        QStringList row{names.value(kind)};
        for (int t = 0; t < kTransducerTypes; ++t)
            row << QString::number(record.status[kind][t]);
        rows << row;
    }
    return alignedTable(titles, rows);
}

} // namespace tonva::demo
