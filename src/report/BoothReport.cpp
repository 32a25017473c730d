#include "report/TabularReport.h"

#include "ambient/AmbientLimits.h"
#include "meter/MeterTables.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "platform/TextFormat.h"

#include <cmath>

namespace tonva {

namespace {

// The limit table's rows: the range pages' rows with the two lowest bands before them.
constexpr double kBoothRowsHz[] = {31.5, 63, 125, 250, 500, 800, 1000, 1600, 2000, 3150, 4000, 6300, 8000};

QString bandLabel(double hertz)
{
    return hertz < 100 && hertz != std::floor(hertz) ? formatText("%.1f", hertz) : formatText("%.0f", hertz);
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

    const AmbientLimitSet set = limitSetForDate(displayText(b.measurementDate).trimmed());
    const bool uncovered = m_boothOptions.earsNotCovered;
    if (m_boothOptions.display != BoothPages::Osha) {
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
        for (const double hertz : kBoothRowsHz) {
            const double level = bandLevelAt(b, hertz);
            CRptLine &line = r.addLine().add(0, bandLabel(hertz)).add(9, measuredText(level));
            const auto limit = [&](int column, double value) {
                line.add(column, value > 0.0 ? formatText("%.1f", value) : QString(), value > 0.0 && level > value);
            };
            for (int range = 0; range < kAmbientRangeCount; ++range) {
                const auto which = static_cast<AmbientRange>(range);
                limit(18 + 18 * range, mpanlLimit(set, which, EarCondition::Covered, hertz));
                if (uncovered)
                    limit(27 + 18 * range, mpanlLimit(set, which, EarCondition::NotCovered, hertz));
            }
        }
        r.addBlank();
    }
    if (m_boothOptions.display != BoothPages::Ansi) {
        r.addLine().add(0, QStringLiteral("Frequency")).add(9, QStringLiteral("Measured")).add(18, QStringLiteral("OSHA"));
        r.addLine().add(0, QStringLiteral("(Hz)")).add(9, QStringLiteral("SPL")).add(18, QStringLiteral("LIMITS"));
        for (const double hertz : kOshaRowsHz) {
            const double level = bandLevelAt(b, hertz);
            const double limit = oshaLimit(hertz);
            r.addLine().add(0, bandLabel(hertz)).add(9, measuredText(level)).add(18, formatText("%.1f", limit), level > limit);
        }
    }
}

} // namespace tonva
