#include "report/TabularReport.h"

#include "meter/MeterTables.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "platform/TextFormat.h"

#include <QDate>

namespace tonva {

namespace {

// Maximum permissible ambient noise by band and test range; set A up to 10 March 2010, set B after.
struct AmbientLimitRow
{
    const char *label;
    double hertz;
    double covered[2][3];
    double uncovered[2][3];
};

constexpr AmbientLimitRow kAmbientLimits[] = {
    {"31.5", 31.5, {{57.0, 59.5, 70.5}, {0, 0, 0}}, {{51.0, 55.5, 65.5}, {0, 0, 0}}},
    {"63", 63, {{43.0, 45.5, 56.5}, {0, 0, 0}}, {{37.0, 41.5, 51.5}, {0, 0, 0}}},
    {"125", 125, {{29.0, 31.5, 42.5}, {30, 34, 44}}, {{23.0, 27.5, 37.5}, {24, 30, 39}}},
    {"250", 250, {{17.5, 17.5, 28.5}, {20, 20, 30}}, {{13.5, 13.5, 23.5}, {16, 16, 25}}},
    {"500", 500, {{14.5, 14.5, 14.5}, {16, 16, 16}}, {{9.5, 9.5, 9.5}, {11, 11, 11}}},
    {"800", 800, {{16.5, 16.5, 16.5}, {19, 19, 19}}, {{7.5, 7.5, 7.5}, {10, 10, 10}}},
    {"1000", 1000, {{21.5, 21.5, 21.5}, {21, 21, 21}}, {{9.0, 9.0, 9.0}, {8, 8, 8}}},
    {"1600", 1600, {{21.5, 21.5, 21.5}, {25, 25, 25}}, {{5.5, 5.5, 5.5}, {9, 9, 9}}},
    {"2000", 2000, {{23.0, 23.0, 23.0}, {29, 29, 29}}, {{3.5, 3.5, 3.5}, {9, 9, 9}}},
    {"3150", 3150, {{28.5, 28.5, 28.5}, {33, 33, 33}}, {{3.5, 3.5, 3.5}, {8, 8, 8}}},
    {"4000", 4000, {{29.5, 29.5, 29.5}, {32, 32, 32}}, {{4.0, 4.0, 4.0}, {6, 6, 6}}},
    {"6300", 6300, {{33.0, 33.0, 33.0}, {32, 32, 32}}, {{9.0, 9.0, 9.0}, {8, 8, 8}}},
    {"8000", 8000, {{38.5, 38.5, 38.5}, {32, 32, 32}}, {{15.5, 15.5, 15.5}, {9, 9, 9}}},
};

struct OshaLimitRow
{
    const char *label;
    double hertz;
    double limit;
};

constexpr OshaLimitRow kOshaLimits[] = {
    {"500", 500, 40}, {"1000", 1000, 40}, {"2000", 2000, 47}, {"4000", 4000, 57}, {"8000", 8000, 62}};

// Set A (0) for a date on or before 10 March 2010 or one that cannot be read; set B (1) after, or
// when no date was written.
int limitSetOf(const BoothRecord &booth)
{
    const QString text = displayText(booth.measurementDate).trimmed();
    if (text.isEmpty())
        return 1;
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        return 0;
    return date <= QDate(2010, 3, 10) ? 0 : 1;
}

// The level of the band a test frequency falls in; "not measured" when it has none.
double bandLevelAt(const BoothRecord &booth, double hertz)
{
    const int band = meter::bandOfTestFrequency(frequencyIndex(hertz));
    return band >= 0 && band < kThirdOctaveBands ? booth.bandLevel[band] : -100.0;
}

QString measuredText(double level)
{
    return level <= -50.0 ? QStringLiteral("----") : formatText("%.1f", level);
}

void addInstrument(CAudReport &report, const char *name, const InstrumentIdentity &identity)
{
    if (fixedTextIsEmpty(identity.serialNumber))
        return;
    report.addLine()
        .add(0, QString::fromLatin1(name))
        .add(11, displayText(identity.manufacturer))
        .add(32, displayText(identity.model))
        .add(48, displayText(identity.serialNumber))
        .add(61, displayText(identity.calibrationDue));
}

} // namespace

void CPrintHandler::buildBooth()
{
    const BoothRecord &b = *m_booth;
    CAudReport &r = m_report;
    tabular::appendOrganisation(r, m_organisation);
    r.addLine().add(0, QStringLiteral("Measurement Date:"), Bold).add(kAfterPrevious, displayText(b.measurementDate));
    r.addLine().add(0, QStringLiteral("Booth:"), Bold).add(10, displayText(b.booth));
    r.addLine().add(0, QStringLiteral("Customer:"), Bold).add(10, displayText(b.customerName));
    r.addLine().add(10, displayText(b.location1));
    r.addLine().add(10, displayText(b.location2));
    r.addBlank();
    r.addLine()
        .add(0, QStringLiteral("Instrumentation"), Bold)
        .add(11, QStringLiteral("Manufacturer"), Bold)
        .add(32, QStringLiteral("Model"), Bold)
        .add(48, QStringLiteral("Serial Number"), Bold)
        .add(61, QStringLiteral("Cal Due"), Bold);
    // A booth record keeps no calibrator of its own, so there is no "Calibrator" row to print.
    addInstrument(r, "Sound Level Meter", b.soundLevelMeter);
    addInstrument(r, "Preamp", b.preamplifier);
    addInstrument(r, "Mic", b.microphone.identity);
    r.addBlank();
    r.addBlank();

    const int set = limitSetOf(b);
    const bool uncovered = m_boothOptions.earsNotCovered;
    if (m_boothOptions.display != BoothDisplayMode::OshaOnly) {
        r.addLine()
            .add(21, QStringLiteral("125 to 8000 Hz"))
            .add(39, QStringLiteral("250 to 8000 Hz"))
            .add(57, QStringLiteral("500 to 8000 Hz"));
        r.addBlank();
        CRptLine &first = r.addLine().add(0, QStringLiteral("Frequency")).add(9, QStringLiteral("Measured"));
        CRptLine &second = r.addLine().add(0, QStringLiteral("(Hz)")).add(9, QStringLiteral("SPL"));
        for (int range = 0; range < 3; ++range) {
            first.add(18 + 18 * range, QStringLiteral("ANSI Max"));
            second.add(18 + 18 * range, QStringLiteral("Covered"));
            if (uncovered) {
                first.add(27 + 18 * range, QStringLiteral("ANSI Max"));
                second.add(27 + 18 * range, QStringLiteral("Uncovered"));
            }
        }
        for (const AmbientLimitRow &row : kAmbientLimits) {
            const double level = bandLevelAt(b, row.hertz);
            CRptLine &line = r.addLine().add(0, QString::fromLatin1(row.label)).add(9, measuredText(level));
            const auto limit = [&](int column, double value) {
                line.add(column, value > 0.0 ? formatText("%.1f", value) : QString(), value > 0.0 && level > value);
            };
            for (int range = 0; range < 3; ++range) {
                limit(18 + 18 * range, row.covered[set][range]);
                if (uncovered)
                    limit(27 + 18 * range, row.uncovered[set][range]);
            }
        }
        r.addBlank();
    }
    if (m_boothOptions.display != BoothDisplayMode::AnsiOnly) {
        r.addLine().add(0, QStringLiteral("Frequency")).add(9, QStringLiteral("Measured")).add(18, QStringLiteral("OSHA"));
        r.addLine().add(0, QStringLiteral("(Hz)")).add(9, QStringLiteral("SPL")).add(18, QStringLiteral("LIMITS"));
        for (const OshaLimitRow &row : kOshaLimits) {
            const double level = bandLevelAt(b, row.hertz);
            r.addLine()
                .add(0, QString::fromLatin1(row.label))
                .add(9, measuredText(level))
                .add(18, formatText("%.1f", row.limit), level > row.limit);
        }
    }
}

} // namespace tonva
