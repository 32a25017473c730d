#include "report/TabularReport.h"

#include "model/FixedText.h"
#include "platform/TextFormat.h"
#include "report/Certificate.h"

namespace tonva {

namespace tabular {

QString headingTitle(const TestSetup &setup)
{
    return QStringLiteral("Audiometer Calibration: %1 %2 (S/N %3)")
        .arg(displayText(setup.audiometerManufacturer), displayText(setup.audiometerModel),
             displayText(setup.audiometerSerialNumber));
}

void appendOrganisation(CAudReport &report, const ReportOrganisation &organisation)
{
    report.addLine().add(0, organisation.companyName, Large | Centred);
    report.addLine().add(0, organisation.header1, Centred);
    report.addLine().add(0, organisation.header2, Centred);
    report.addBlank();
    report.addBlank();
}

// An empty earphone slot uses no reference levels at all, so it is never marked non-standard.
bool anyNonStandardRetspl(const TestSetup &setup)
{
    return hasNonStandardRetspl(setup.supraAural) || hasNonStandardRetspl(setup.insert) ||
           hasNonStandardRetspl(setup.circumaural);
}

QString couplerMicrophoneName(const TestSetup &setup, int slot)
{
    // The two standard couplers take the maker's own microphone names only for the maker's models.
    const auto isMervane = [&](int s) {
        return displayText(setup.couplerMicrophone[s].identity.manufacturer)
            .contains(QLatin1String("Mervane"));
    };
    switch (slot) {
    case 0:
        return QStringLiteral("Open Air Mic");
    case 1:
        return isMervane(1) ? QStringLiteral("Lorvat Mic") : QStringLiteral("IEC 318 Mic");
    case 2:
        return isMervane(2) ? QStringLiteral("Kestin Mic") : QStringLiteral("NBS 9A Mic");
    case 3:
        return QStringLiteral("Ospret Mic");
    case 4:
        return QStringLiteral("Mabrek Mic");
    case 5:
        return QStringLiteral("Nuvell Mic");
    default:
        return QStringLiteral("Pendry Mic");
    }
}

void appendSummary(CAudReport &report, const AudTestRecord &record, const ReportSelection &selection)
{
    const auto column = [](int k) { return 11 * k + 6; };
    CRptLine &first = report.addLine();
    first.add(0, QString());
    const char *const firstHeads[] = {"Supra-aural", "  Bone", "", "  Insert", "Circumaural"};
    for (int k = 1; k <= 5; ++k)
        first.add(column(k), QString::fromLatin1(firstHeads[k - 1]));
    CRptLine &second = report.addLine();
    second.add(0, QStringLiteral("Test Name"));
    const char *const secondHeads[] = {"Earphones", "Vibrator", "Speakers", "Earphones", " Earphones"};
    for (int k = 1; k <= 5; ++k)
        second.add(column(k), QString::fromLatin1(secondHeads[k - 1]));

    for (int kind = 0; kind < kMeasurementKinds; ++kind) {
        if (!selection.sections[static_cast<std::size_t>(kind)])
            continue;
        CRptLine &line = report.addLine();
        line.add(0, reportSummaryName(static_cast<MeasurementKind>(kind)));
        for (int k = 1; k <= 5; ++k) {
            const int status = record.status[kind][k - 1];
            const int at = 11 * k + 7;
            if (status == 1)
                line.add(at, QStringLiteral("Pass"));
            else if (status == -1)
                line.add(at, QStringLiteral("FAIL"), Bold);
            else if (status == 99)
                line.add(at, QStringLiteral("NA"));
            else
                line.add(at, QStringLiteral(" - "));
        }
    }
}

QStringList commentLines(const QString &comments)
{
    QStringList lines;
    QString current;
    for (const QChar c : comments) {
        if (c == QLatin1Char('\r')) {
            lines << current;
            current.clear();
            continue;
        }
        if (c == QLatin1Char('\n'))
            continue;
        const bool breakAfter = (c == QLatin1Char(' ') && current.size() > 50) || current.size() > 65;
        current += c;
        if (breakAfter) {
            lines << current;
            current.clear();
        }
    }
    if (!current.isEmpty())
        lines << current;
    return lines;
}

const char *checklistItemName(int index)
{
    static const char *const items[kChecklistItems] = {"Left Earphone",
                                                       "Right Earphone",
                                                       "Left Earphone Cushion",
                                                       "Right Earphone Cushion",
                                                       "Left Earphone cord",
                                                       "Right Earphone cord",
                                                       "Headband",
                                                       "Bone Conductor",
                                                       "Bone Conductor cord",
                                                       "Power cord",
                                                       "Tone 'on' lamp",
                                                       "Power 'on' lamp",
                                                       "Attenuator",
                                                       "Masking control",
                                                       "Volume control",
                                                       "Power Switch",
                                                       "Fuse",
                                                       "Tone interrupter",
                                                       "Tone reverse switch",
                                                       "Frequency selector switch",
                                                       "Earphone selector switch",
                                                       "Response cord",
                                                       "Output selector switch",
                                                       "Chan 1 input selector switch",
                                                       "Chan 2 input selector switch",
                                                       "Function selector switch",
                                                       "Microphone",
                                                       "Monitor phone/speaker",
                                                       "Manual/pulse tone control",
                                                       "VU meter"};
    return items[index];
}

} // namespace tabular

namespace {

using namespace tabular;

void addInstrument(CAudReport &report, const QString &name, const InstrumentIdentity &identity)
{
    if (fixedTextIsEmpty(identity.serialNumber))
        return;
    report.addLine()
        .add(0, name)
        .add(11, displayText(identity.manufacturer))
        .add(32, displayText(identity.model))
        .add(48, displayText(identity.serialNumber))
        .add(61, displayText(identity.calibrationDue));
}

void appendNotes(CAudReport &report, const InspectionChecklist &checklist)
{
    report.addBlank();
    report.addLine()
        .add(0, QStringLiteral("-------"))
        .add(23, QStringLiteral("Notes & Comments"))
        .add(kRightAligned, QStringLiteral("-------"));
    report.addLine().add(kRightAligned, QStringLiteral("P- pass  F-fail  NA- Not Applicable"));
    const auto addItem = [&](CRptLine &line, int item, int column, int stateColumn) {
        line.add(column, QString::fromLatin1(tabular::checklistItemName(item)));
        const int state = checklist.visualCheck[item];
        if (state == 1)
            line.add(stateColumn, QStringLiteral("F"), Bold);
        else if (state == 2)
            line.add(stateColumn, QStringLiteral("NA"));
        else
            line.add(stateColumn, QStringLiteral("P"));
    };
    for (int i = 0; i < 15; ++i) {
        CRptLine &line = report.addLine();
        addItem(line, i, 0, 25);
        addItem(line, i + 15, 35, 65);
    }
    report.addBlank();
    for (const QString &text : commentLines(displayText(checklist.comments)))
        report.addLine().add(0, text);
}

} // namespace

CPrintHandler::CPrintHandler(const AudTestRecord &record, const ReportOrganisation &organisation,
                             const ReportSelection &selection, RegionalMode mode)
    : m_record(std::make_unique<AudTestRecord>(record)), m_organisation(organisation), m_selection(selection),
      m_mode(mode)
{}

CPrintHandler::CPrintHandler(const BoothRecord &booth, const ReportOrganisation &organisation,
                             const BoothReportOptions &options)
    : m_booth(std::make_unique<BoothRecord>(booth)), m_organisation(organisation), m_boothOptions(options)
{}

int CPrintHandler::prepare(Canvas &canvas)
{
    m_geometry = ReportGeometry::measure(canvas);
    m_report.clear();
    if (m_record)
        buildAudiometer();
    else
        buildBooth();
    return m_geometry.pageCount(m_report);
}

void CPrintHandler::drawPage(Canvas &canvas, int page)
{
    // Booth pages carry no heading; their body still starts at the same height.
    if (m_record)
        drawReportHeading(canvas, m_geometry, headingTitle(m_record->setup), page);
    drawReportPage(canvas, m_geometry, m_report, page);
}

void CPrintHandler::newPage()
{
    // The page is derived from the line count, so a section longer than a page cannot leave the
    // following ones out of step with the paper.
    while (m_report.count() % m_geometry.linesPerPage != 0)
        m_report.addBlank();
}

void CPrintHandler::appendFitting(CAudReport &&lines)
{
    const int used = m_report.count() % m_geometry.linesPerPage;
    if (used > 0 && used + lines.count() > m_geometry.linesPerPage)
        newPage();
    m_report.append(std::move(lines));
}

void CPrintHandler::appendIdentification()
{
    const TestSetup &s = m_record->setup;
    CAudReport &r = m_report;
    const auto labelled = [&](int labelColumn, const char *label, int valueColumn,
                              const QString &value) -> CRptLine & {
        return r.addLine().add(labelColumn, QString::fromLatin1(label), Bold).add(valueColumn, value);
    };
    labelled(0, "Calibration Date:", 11, displayText(s.testDate));
    labelled(0, "Technician:", 11, displayText(s.technician));
    labelled(0, "Customer:", 11, displayText(s.customerName));
    r.addLine().add(11, displayText(s.location1));
    r.addLine().add(11, displayText(s.location2));
    r.addLine().add(0, QStringLiteral("Audiometer"), Bold);
    labelled(11, "Manufacturer:", 25, displayText(s.audiometerManufacturer));
    labelled(11, "Model Number:", 25, displayText(s.audiometerModel))
        .add(48, QStringLiteral("Type:"), Bold)
        .add(58, displayText(s.audiometerType));
    labelled(11, "Serial Number:", 25, displayText(s.audiometerSerialNumber))
        .add(48, QStringLiteral("Inventory #:"), Bold)
        .add(58, displayText(s.audiometerInventoryNumber));
    labelled(11, "Number of Channels:", 25, formatText("%d", s.channelCount))
        .add(48, QStringLiteral("Channel Tested:"), Bold)
        .add(58, formatText("%d", s.channelToTest));

    const EarphoneSlot *earphones[] = {&s.supraAural, &s.insert, &s.circumaural};
    const char *const earphoneHeads[] = {"Supra-aural", "Insert", "Circumaural"};
    const int columns[] = {25, 43, 61};
    CRptLine &heads = r.addLine().add(0, QStringLiteral("Earphones"), Bold);
    for (int e = 0; e < 3; ++e) {
        const bool mark = m_selection.displayRetsplMessage && hasNonStandardRetspl(*earphones[e]);
        heads.add(columns[e],
                  QString::fromLatin1(earphoneHeads[e]) + (mark ? QStringLiteral("*") : QString()), Bold);
    }
    const auto earphoneLine = [&](const char *label, auto field) {
        CRptLine &line = r.addLine().add(11, QString::fromLatin1(label), Bold);
        for (int e = 0; e < 3; ++e)
            line.add(columns[e], field(*earphones[e]));
    };
    earphoneLine("Manufacturer:", [](const EarphoneSlot &e) { return displayText(e.manufacturer); });
    earphoneLine("Model Number:", [](const EarphoneSlot &e) { return displayText(e.model); });
    earphoneLine("Right S/N:", [](const EarphoneSlot &e) { return displayText(e.rightSerialNumber); });
    earphoneLine("Left  S/N:", [](const EarphoneSlot &e) { return displayText(e.leftSerialNumber); });

    r.addLine().add(0, QStringLiteral("Bone Vibrator"), Bold);
    labelled(11, "Manufacturer:", 25, displayText(s.boneVibrator.manufacturer));
    labelled(11, "Model Number:", 25, displayText(s.boneVibrator.model));
    labelled(11, "Serial Number:", 25, displayText(s.boneVibrator.serialNumber));

    r.addLine()
        .add(0, QStringLiteral("Speakers"), Bold)
        .add(25, QStringLiteral("Left"), Bold)
        .add(43, QStringLiteral("Right"), Bold);
    labelled(11, "Manufacturer:", 25, displayText(s.leftSpeaker.manufacturer))
        .add(43, displayText(s.rightSpeaker.manufacturer));
    labelled(11, "Model Number:", 25, displayText(s.leftSpeaker.model))
        .add(43, displayText(s.rightSpeaker.model));
    labelled(11, "Serial Number:", 25, displayText(s.leftSpeaker.serialNumber))
        .add(43, displayText(s.rightSpeaker.serialNumber));
    r.addBlank();

    r.addLine()
        .add(0, QStringLiteral("Instrumentation"), Bold)
        .add(11, QStringLiteral("Manufacturer"), Bold)
        .add(32, QStringLiteral("Model"), Bold)
        .add(48, QStringLiteral("Serial Number"), Bold)
        .add(61, QStringLiteral("Cal Due"), Bold);
    addInstrument(r, QStringLiteral("Sound Level Meter"), s.soundLevelMeter);
    addInstrument(r, QStringLiteral("Preamp"), s.preamplifier);
    addInstrument(r, QStringLiteral("Calibrator"), s.calibrator.identity);
    addInstrument(r, QStringLiteral("Mastoid"), s.mastoid.identity);
    for (int slot = 0; slot < kCouplerMicrophoneSlots; ++slot)
        addInstrument(r, couplerMicrophoneName(s, slot), s.couplerMicrophone[slot].identity);
    r.addBlank();
    if (m_selection.displayRetsplMessage && anyNonStandardRetspl(s))
        r.addLine().add(0, QStringLiteral("* Includes non-standard RETSPL"));
    r.addBlank();
}

void CPrintHandler::buildAudiometer()
{
    appendOrganisation(m_report, m_organisation);
    appendIdentification();
    appendSummary(m_report, *m_record, m_selection);
    newPage();
    for (int kind = 0; kind < kMeasurementKinds; ++kind) {
        if (!m_selection.sections[static_cast<std::size_t>(kind)])
            continue;
        for (int t = 0; t < kTransducerTypes; ++t) {
            const int status = m_record->status[kind][t];
            if (status != 1 && status != -1)
                continue;
            CAudReport section;
            appendSection(section, *m_record, static_cast<MeasurementKind>(kind),
                          static_cast<TransducerType>(t), m_mode);
            appendFitting(std::move(section));
        }
    }
    CAudReport notes;
    appendNotes(notes, m_record->checklist);
    appendFitting(std::move(notes));
}

} // namespace tonva
