#include "report/Certificate.h"

#include "model/FixedText.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <vector>

namespace tonva {

namespace {

const QString kFace = QStringLiteral("Courier New");
const QString kSignature = QStringLiteral("Signature: ");
const QString kSignatureLine = kSignature + QString(42, QLatin1Char('_')) + QStringLiteral("     ");
// The distances the layout fixes in units of a 600 dpi printer.
constexpr int kBorderStep = 10;
constexpr int kBorderCount = 5;
constexpr int kSignatureAboveBottom = 550;

struct InstrumentRow
{
    QString name;
    const InstrumentIdentity *identity;
};

QString couplerMicrophoneName(int slot, const InstrumentIdentity &identity)
{
    const bool mervane = fixedText(identity.manufacturer).find("Mervane") != std::string_view::npos;
    switch (slot) {
    case 0:
        return QStringLiteral("Open Air Mic");
    case 1:
        return mervane ? QStringLiteral("Lorvat Mic") : QStringLiteral("IEC 60318-1 Mic");
    case 2:
        return mervane ? QStringLiteral("Kestin Mic") : QStringLiteral("NBS 9A Mic");
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

} // namespace

bool hasNonStandardRetspl(const EarphoneSlot &earphone)
{
    const bool holdsEarphone = !fixedTextIsEmpty(earphone.model) || !fixedTextIsEmpty(earphone.manufacturer);
    return holdsEarphone && earphone.builtIn == 0;
}

CCertHandler::CCertHandler(CertificateKind kind, std::shared_ptr<const AudTestRecord> test,
                           std::shared_ptr<const BoothRecord> booth, const ReportOrganisation &organisation,
                           const QString &paragraphPath)
    : m_kind(kind), m_test(std::move(test)), m_booth(std::move(booth)), m_organisation(organisation)
{
    // A path to a file that is gone falls back to the built-in text; one that exists but cannot be
    // read prints no paragraph, and says why.
    if (!paragraphPath.isEmpty() && QFileInfo::exists(paragraphPath)) {
        m_fromFile = true;
        m_file = readParagraphFile(paragraphPath);
    }
}

CCertHandler CCertHandler::forAudiometer(const AudTestRecord &test, std::int16_t layoutVersion,
                                         const ReportOrganisation &organisation,
                                         const QString &paragraphPath)
{
    CCertHandler handler(CertificateKind::Audiometer, std::make_shared<const AudTestRecord>(test), nullptr,
                         organisation, paragraphPath);
    handler.m_edition = audiometerStandardEdition(layoutVersion);
    return handler;
}

CCertHandler CCertHandler::forBooth(const BoothRecord &booth, const ReportOrganisation &organisation,
                                    const QString &paragraphPath)
{
    return CCertHandler(CertificateKind::Booth, nullptr, std::make_shared<const BoothRecord>(booth), organisation,
                        paragraphPath);
}

QString CCertHandler::paragraphProblem() const
{
    if (m_fromFile && m_file.status == ParagraphFile::Status::CannotOpen)
        return QStringLiteral("Unable to open paragraph file.");
    return {};
}

void CCertHandler::measure(Canvas &canvas)
{
    Geometry &g = m_geometry;
    const QSize dpi = canvas.resolution();
    const int h = 9 * dpi.height() / 72;
    g.normal = {kFace, h, false};
    g.title = {kFace, 3 * h, false};
    g.bold = {kFace, h, true};
    const CanvasFont previous = canvas.font();
    canvas.selectFont(g.normal);
    const CanvasFontMetrics metrics = canvas.metrics();
    canvas.selectFont(previous);
    g.cw = std::max(1, metrics.averageCharWidth);
    g.lh = std::max(1, metrics.height + metrics.externalLeading);
    g.topMargin = dpi.height() / 4;
    g.borderMargin = dpi.width() * 3 / 8;
    g.left = dpi.width();
    g.pageWidth = canvas.pageSize().width();
    g.pageHeight = canvas.pageSize().height();
    g.linesPerPage = std::max(1, (g.pageHeight - 3 * g.topMargin) / g.lh);
    g.xScale = dpi.width() / 600.0;
    g.yScale = dpi.height() / 600.0;
    g.bodyTop = includeBorder ? g.topMargin + (3 * g.lh) / 2 + g.lh : g.topMargin;
}

int CCertHandler::prepare(Canvas &canvas)
{
    measure(canvas);
    return 1;
}

void CCertHandler::text(Canvas &canvas, const CanvasFont &font, int x, int y, const QString &text) const
{
    if (!(canvas.font() == font))
        canvas.selectFont(font);
    canvas.drawText(QPoint(x, y), text);
}

void CCertHandler::centred(Canvas &canvas, const CanvasFont &font, int y, const QString &line) const
{
    if (!(canvas.font() == font))
        canvas.selectFont(font);
    canvas.drawText(QPoint(m_geometry.pageWidth / 2 - canvas.textWidth(line) / 2, y), line);
}

void CCertHandler::drawBorder(Canvas &canvas)
{
    const Geometry &g = m_geometry;
    const int left = g.borderMargin;
    const int y0 = g.topMargin + (3 * g.lh) / 2;
    for (int n = 0; n < kBorderCount; ++n) {
        const int dx = static_cast<int>(std::lround(n * kBorderStep * g.xScale));
        const int dy = static_cast<int>(std::lround(n * kBorderStep * g.yScale));
        const int right = g.pageWidth - dx - left;
        const int bottom = g.pageHeight - dy - g.topMargin;
        canvas.drawPolyline({QPoint(left + dx, y0 + dy), QPoint(right, y0 + dy), QPoint(right, bottom),
                             QPoint(left + dx, bottom), QPoint(left + dx, y0 + dy)});
    }
}

int CCertHandler::drawHeading(Canvas &canvas) const
{
    const Geometry &g = m_geometry;
    const bool audiometer = m_kind == CertificateKind::Audiometer;
    int y = g.bodyTop;
    centred(canvas, g.title, y,
            audiometer ? QStringLiteral("Certificate of Calibration") : QStringLiteral("Certificate of Compliance"));
    y += 3 * g.lh;
    centred(canvas, g.normal, y, m_organisation.companyName);
    y += g.lh;
    centred(canvas, g.normal, y, m_organisation.header1);
    y += g.lh;
    centred(canvas, g.normal, y, m_organisation.header2);

    const QString dateLabel = audiometer ? QStringLiteral("Calibration Date:") : QStringLiteral("Measurement Date:");
    text(canvas, g.bold, g.left, y, dateLabel);
    const int dateX = g.left + canvas.textWidth(dateLabel) + g.cw;
    text(canvas, g.normal, dateX, y,
         audiometer ? displayText(m_test->setup.testDate) : displayText(m_booth->measurementDate));

    if (audiometer) {
        y += g.lh;
        text(canvas, g.bold, g.left, y, QStringLiteral("Technician:"));
        text(canvas, g.normal, column(12), y, displayText(m_test->setup.technician));
    }
    const QString customer[3] = {
        audiometer ? displayText(m_test->setup.customerName) : displayText(m_booth->customerName),
        audiometer ? displayText(m_test->setup.location1) : displayText(m_booth->location1),
        audiometer ? displayText(m_test->setup.location2) : displayText(m_booth->location2)};
    y += g.lh;
    text(canvas, g.bold, g.left, y, QStringLiteral("Customer:"));
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            y += g.lh;
        text(canvas, g.normal, column(12), y, customer[i]);
    }
    if (!audiometer) {
        y += g.lh;
        const QString label = QStringLiteral("Booth:");
        text(canvas, g.bold, g.left, y, label);
        text(canvas, g.normal, g.left + canvas.textWidth(label) + g.cw, y, displayText(m_booth->booth));
    }
    return y;
}

int CCertHandler::drawAudiometerBlock(Canvas &canvas, int y) const
{
    const Geometry &g = m_geometry;
    const TestSetup &s = m_test->setup;
    auto label = [&](int col, const QString &name) { text(canvas, g.bold, column(col), y, name); };
    auto value = [&](int col, const QString &v) { text(canvas, g.normal, column(col), y, v); };
    // A value placed one character after where its label would end at column `col`.
    auto labelled = [&](int labelCol, int valueCol, const QString &name, const QString &v) {
        label(labelCol, name);
        text(canvas, g.normal, column(valueCol) + canvas.textWidth(name), y, v);
    };

    y += g.lh;
    label(0, QStringLiteral("Audiometer"));
    y += g.lh;
    label(12, QStringLiteral("Manufacturer:"));
    value(27, displayText(s.audiometerManufacturer));
    y += g.lh;
    label(12, QStringLiteral("Model Number:"));
    value(27, displayText(s.audiometerModel));
    labelled(48, 49, QStringLiteral("Type:"), displayText(s.audiometerType));
    y += g.lh;
    label(12, QStringLiteral("Serial Number:"));
    value(27, displayText(s.audiometerSerialNumber));
    labelled(48, 49, QStringLiteral("Inventory #:"), displayText(s.audiometerInventoryNumber));
    y += g.lh;
    labelled(12, 13, QStringLiteral("Number of Channels:"), QString::number(s.channelCount));
    labelled(48, 49, QStringLiteral("Channel tested:"), QString::number(s.channelToTest));

    const EarphoneSlot *earphones[3] = {&s.supraAural, &s.insert, &s.circumaural};
    const QString heads[3] = {QStringLiteral("Supra-aural"), QStringLiteral("Insert"), QStringLiteral("Circumaural")};
    const int columns[3] = {30, 48, 66};
    y += g.lh;
    label(0, QStringLiteral("Earphones"));
    for (int i = 0; i < 3; ++i) {
        const bool mark = displayRetsplMessage && hasNonStandardRetspl(*earphones[i]);
        label(columns[i], heads[i] + (mark ? QStringLiteral("*") : QString()));
    }
    const QString rowNames[4] = {QStringLiteral("Manufacturer:"), QStringLiteral("Model Number:"),
                                 QStringLiteral("Right S/N:"), QStringLiteral("Left S/N:")};
    for (int row = 0; row < 4; ++row) {
        y += g.lh;
        label(12, rowNames[row]);
        for (int i = 0; i < 3; ++i) {
            const EarphoneSlot &e = *earphones[i];
            value(columns[i], row == 0   ? displayText(e.manufacturer)
                              : row == 1 ? displayText(e.model)
                              : row == 2 ? displayText(e.rightSerialNumber)
                                         : displayText(e.leftSerialNumber));
        }
    }

    y += g.lh;
    label(0, QStringLiteral("Bone Vibrator"));
    const QString identityNames[3] = {QStringLiteral("Manufacturer:"), QStringLiteral("Model Number:"),
                                      QStringLiteral("Serial Number:")};
    const QString bone[3] = {displayText(s.boneVibrator.manufacturer), displayText(s.boneVibrator.model),
                             displayText(s.boneVibrator.serialNumber)};
    for (int row = 0; row < 3; ++row) {
        y += g.lh;
        label(12, identityNames[row]);
        value(27, bone[row]);
    }

    y += g.lh;
    label(0, QStringLiteral("Speakers"));
    label(30, QStringLiteral("Left"));
    label(48, QStringLiteral("Right"));
    const SpeakerData *speakers[2] = {&s.leftSpeaker, &s.rightSpeaker};
    for (int row = 0; row < 3; ++row) {
        y += g.lh;
        label(12, identityNames[row]);
        for (int i = 0; i < 2; ++i) {
            const SpeakerData &sp = *speakers[i];
            value(i == 0 ? 30 : 48, row == 0   ? displayText(sp.manufacturer)
                                    : row == 1 ? displayText(sp.model)
                                               : displayText(sp.serialNumber));
        }
    }
    return y;
}

int CCertHandler::drawInstruments(Canvas &canvas, int y) const
{
    const Geometry &g = m_geometry;
    std::vector<InstrumentRow> rows;
    if (m_kind == CertificateKind::Audiometer) {
        const TestSetup &s = m_test->setup;
        rows.push_back({QStringLiteral("Sound Level Meter"), &s.soundLevelMeter});
        rows.push_back({QStringLiteral("Preamp"), &s.preamplifier});
        for (int slot = 0; slot < kCouplerMicrophoneSlots; ++slot)
            rows.push_back({couplerMicrophoneName(slot, s.couplerMicrophone[slot].identity),
                            &s.couplerMicrophone[slot].identity});
        rows.push_back({QStringLiteral("Calibrator"), &s.calibrator.identity});
        rows.push_back({QStringLiteral("Mastoid"), &s.mastoid.identity});
    } else {
        // A booth survey keeps no calibrator, so its row never has a serial number to print.
        rows.push_back({QStringLiteral("Sound Level Meter"), &m_booth->soundLevelMeter});
        rows.push_back({QStringLiteral("Preamp"), &m_booth->preamplifier});
        rows.push_back({QStringLiteral("Microphone"), &m_booth->microphone.identity});
    }

    y += 4 * g.lh;
    text(canvas, g.bold, g.left, y, QStringLiteral("Instrumentation"));
    text(canvas, g.bold, column(20), y, QStringLiteral("Manufacturer"));
    text(canvas, g.bold, column(40), y, QStringLiteral("Model"));
    text(canvas, g.bold, column(56), y, QStringLiteral("Serial Number"));
    text(canvas, g.bold, column(72), y, QStringLiteral("Cal Due"));
    for (const InstrumentRow &row : rows) {
        if (fixedTextIsEmpty(row.identity->serialNumber))
            continue;
        y += g.lh;
        text(canvas, g.normal, g.left, y, row.name);
        text(canvas, g.normal, column(20), y, displayText(row.identity->manufacturer));
        text(canvas, g.normal, column(40), y, displayText(row.identity->model));
        text(canvas, g.normal, column(56), y, displayText(row.identity->serialNumber));
        text(canvas, g.normal, column(72), y, displayText(row.identity->calibrationDue));
    }
    return y;
}

void CCertHandler::drawParagraph(Canvas &canvas, int y) const
{
    const Geometry &g = m_geometry;
    const int centre = g.pageWidth / 2;
    if (!(canvas.font() == g.normal))
        canvas.selectFont(g.normal);
    QStringList lines;
    if (m_fromFile) {
        if (m_file.status != ParagraphFile::Status::Read)
            return;
        const int wrapAfter = (g.pageWidth - 2 * g.left) / g.cw;
        for (const QByteArray &line : splitParagraph(m_file.text, wrapAfter))
            lines << Cp1252::toUnicode(line);
        y += 2 * g.lh;
    } else {
        for (const int count : kBuiltInLayoutLines) {
            lines = builtInParagraph(m_kind, count, m_organisation.companyName, m_edition);
            int widest = 0;
            for (const QString &line : std::as_const(lines))
                widest = std::max(widest, canvas.textWidth(line));
            if (centre - widest / 2 >= g.left)
                break;
        }
        y += 8 * g.lh;
    }
    int widest = 0;
    for (const QString &line : std::as_const(lines))
        widest = std::max(widest, canvas.textWidth(line));
    const int x = centre - widest / 2;
    for (const QString &line : std::as_const(lines)) {
        y += g.lh;
        if (!line.isEmpty())
            canvas.drawText(QPoint(x, y), line);
    }
}

void CCertHandler::drawSignature(Canvas &canvas) const
{
    const Geometry &g = m_geometry;
    int y = g.pageHeight - g.topMargin - static_cast<int>(std::lround(kSignatureAboveBottom * g.yScale));
    const QString date = includeDateOfSignature ? issued.toString(QStringLiteral("yyyy-MM-dd"))
                                                : QString(13, QLatin1Char('_'));
    text(canvas, g.normal, g.left, y, kSignatureLine + QStringLiteral("Date Issued: ") + date);
    y += 2 * g.lh;
    if (m_kind != CertificateKind::Audiometer)
        return;
    text(canvas, g.normal, g.left + canvas.textWidth(kSignature), y, displayText(m_test->setup.technician));
    const TestSetup &s = m_test->setup;
    if (displayRetsplMessage && (hasNonStandardRetspl(s.supraAural) || hasNonStandardRetspl(s.insert) ||
                                 hasNonStandardRetspl(s.circumaural)))
        text(canvas, g.normal, g.left + canvas.textWidth(kSignatureLine), y,
             QStringLiteral("* Includes non-standard RETSPL."));
}

void CCertHandler::drawPage(Canvas &canvas, int page)
{
    if (page != 1)
        return;
    measure(canvas);
    const CanvasFont previous = canvas.font();
    if (includeBorder)
        drawBorder(canvas);
    int y = drawHeading(canvas);
    if (m_kind == CertificateKind::Audiometer)
        y = drawAudiometerBlock(canvas, y);
    y = drawInstruments(canvas, y);
    drawParagraph(canvas, y);
    drawSignature(canvas);
    canvas.selectFont(previous);
}

} // namespace tonva
