#include "ambient/AmbientPages.h"

#include "meter/MeterTables.h"
#include "model/FixedText.h"
#include "platform/PreferenceStore.h"

#include <cmath>

namespace tonva {

namespace {

// At or below this a band counts as not measured.
constexpr float kUnreadableDb = -50.0f;

float bandLevelAt(const BoothRecord &record, double frequencyHz)
{
    for (int i = 0; i < meter::kTestFrequencyCount; ++i) {
        if (std::abs(meter::kTestFrequencies[static_cast<std::size_t>(i)] - frequencyHz) < 1e-6)
            return record.bandLevel[meter::bandOfTestFrequency(i)];
    }
    return -100.0f;
}

QString frequencyLabel(double hz)
{
    return QString::number(hz, 'g', 6);
}

QString limitText(float level, double limit, bool showFail)
{
    const QString value = QString::asprintf("%.1f", limit);
    return showFail && limit > 0.0 && level > limit ? QStringLiteral("(%1)").arg(value) : value;
}

bool exceeds(float level, double limit)
{
    return limit > 0.0 && level > limit;
}

} // namespace

AmbientDisplay AmbientDisplay::fromPreferences(const PreferenceStore &preferences)
{
    AmbientDisplay display;
    display.showFail = preferences.read(preference::AmbShowFail) != 0;
    display.earsNotCovered = preferences.read(preference::DisplayEarsNotCovered) != 0;
    const int pages = preferences.read(preference::AmbShowPage);
    display.pages = pages == 1 ? BoothPages::Ansi : pages == 2 ? BoothPages::Osha : BoothPages::Both;
    return display;
}

void AmbientDisplay::save(PreferenceStore &preferences) const
{
    preferences.write(preference::AmbShowFail, showFail ? 1 : 0);
    preferences.write(preference::AmbShowPage, static_cast<int>(pages));
}

QString AmbientPage::text() const
{
    QList<int> widths;
    for (const QString &column : columns)
        widths << column.size();
    for (const QStringList &row : rows) {
        for (int c = 0; c < row.size() && c < widths.size(); ++c)
            widths[c] = std::max(widths[c], static_cast<int>(row[c].size()));
    }
    const auto line = [&widths](const QStringList &cells) {
        QStringList padded;
        for (int c = 0; c < cells.size() && c < widths.size(); ++c)
            padded << cells[c].rightJustified(widths[c]);
        return padded.join(QStringLiteral("  ")) + QLatin1Char('\n');
    };
    QString out = title + QLatin1Char('\n') + line(columns);
    for (const QStringList &row : rows)
        out += line(row);
    return out;
}

QString ambientLevelText(float level)
{
    return level <= kUnreadableDb ? QStringLiteral("----") : QString::asprintf("%.1f", level);
}

AmbientPage ambientRangePage(const BoothRecord &record, AmbientRange range, const AmbientDisplay &display)
{
    const AmbientLimitSet set = limitSetForDate(displayText(record.measurementDate));
    AmbientPage page;
    page.title = ambientRangeTitle(range);
    page.columns = {QStringLiteral("Frequency"), QStringLiteral("Measured SPL"),
                    QStringLiteral("Ears Covered MPANL")};
    if (display.earsNotCovered)
        page.columns << QStringLiteral("Ears Not Covered MPANL");
    for (const double hz : kAmbientRangeRowsHz) {
        const float level = bandLevelAt(record, hz);
        const double covered = mpanlLimit(set, range, EarCondition::Covered, hz);
        const double notCovered = mpanlLimit(set, range, EarCondition::NotCovered, hz);
        QStringList row{frequencyLabel(hz), ambientLevelText(level), limitText(level, covered, display.showFail)};
        if (display.earsNotCovered)
            row << limitText(level, notCovered, display.showFail);
        page.rows << row;
        // The stricter limit judges the booth even when its column is not shown.
        page.failed << (display.showFail && (exceeds(level, covered) || exceeds(level, notCovered)));
    }
    return page;
}

AmbientPage ambientOshaPage(const BoothRecord &record, const AmbientDisplay &display)
{
    AmbientPage page;
    page.title = QStringLiteral("OSHA Limits");
    page.columns = {QStringLiteral("Frequency"), QStringLiteral("Measured SPL"), QStringLiteral("OSHA Limits")};
    for (const double hz : kOshaRowsHz) {
        const float level = bandLevelAt(record, hz);
        const double limit = oshaLimit(hz);
        page.rows << QStringList{frequencyLabel(hz), ambientLevelText(level),
                                 limitText(level, limit, display.showFail)};
        page.failed << (display.showFail && exceeds(level, limit));
    }
    return page;
}

QList<AmbientPage> ambientPages(const BoothRecord &record, const AmbientDisplay &display)
{
    QList<AmbientPage> pages;
    if (display.pages != BoothPages::Osha) {
        for (int r = 0; r < kAmbientRangeCount; ++r)
            pages << ambientRangePage(record, static_cast<AmbientRange>(r), display);
    }
    if (display.pages != BoothPages::Ansi)
        pages << ambientOshaPage(record, display);
    return pages;
}

} // namespace tonva
