#include "ExportTestSupport.h"

#include "platform/PreferenceStore.h"
#include "support/TempDir.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace tonva::test {
namespace {

TEST(ExportName, RulesApplyToTheFileNameOnly)
{
    const QString home = QDir::homePath();
    struct Case
    {
        const char *entered;
        ExportFormat format;
        const char *folder;
        QString expected;
    };
    const Case cases[] = {
        {"report", ExportFormat::Text, "", home + QStringLiteral("/REPORT.TXT")},
        {"  report  ", ExportFormat::Text, "/data/exports", QStringLiteral("/data/exports/REPORT.TXT")},
        {"report", ExportFormat::Spreadsheet, "/data/exports/", QStringLiteral("/data/exports/REPORT.XLSX")},
        {"/data/v1.2/report", ExportFormat::Text, "/elsewhere", QStringLiteral("/data/v1.2/REPORT.TXT")},
        {"/data/Lab/report.csv", ExportFormat::Text, "", QStringLiteral("/data/Lab/REPORT.CSV")},
        {".abc", ExportFormat::CommaSeparated, "/d", QStringLiteral("/d/.ABC.CSV")},
        {"sub/plan.b", ExportFormat::Text, "/d", QStringLiteral("sub/PLAN.B")},
        {"   ", ExportFormat::Text, "/d", QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.entered);
        EXPECT_EQ(exportTargetPath(QString::fromLatin1(c.entered), c.format, QString::fromLatin1(c.folder)),
                  c.expected);
    }
}

TEST(ExportSettings, StoreFormatAndDelimiterAsTheSettingsDo)
{
    TempDir dir;
    PreferenceStore preferences(dir.file(QStringLiteral("prefs.ini")));
    EXPECT_EQ(ExportSettings::read(preferences).format, ExportFormat::Spreadsheet);
    EXPECT_EQ(ExportSettings::read(preferences).delimiter, ',');

    ExportSettings chosen{ExportFormat::CommaSeparated, '\t'};
    EXPECT_EQ(chosen.effectiveDelimiter(), ','); // CSV always writes commas
    chosen.write(preferences);
    EXPECT_EQ(preferences.read(preference::ExportReportType), 1);
    EXPECT_EQ(preferences.read(preference::ExportDelimiter), 1);
    preferences.write(preference::ExportDelimiter, 7); // any positive value means TAB
    preferences.write(preference::ExportReportType, 9);
    EXPECT_EQ(ExportSettings::read(preferences).delimiter, '\t');
    EXPECT_EQ(ExportSettings::read(preferences).format, ExportFormat::Spreadsheet);
}

// A failed write reports it and leaves what was there before.
TEST(ExportFile, AFailedWriteKeepsTheOldFile)
{
    TempDir dir;
    const AudTestRecord &test = demoTest(QStringLiteral("good"));
    const ExportSource source{&test, nullptr, {}};
    for (const ExportFormat format : {ExportFormat::Text, ExportFormat::Spreadsheet}) {
        QString detail;
        EXPECT_EQ(writeExport(dir.file(QStringLiteral("missing/REPORT")), format, ',', source, &detail),
                  QLatin1String(exportmessage::kCannotWrite));
        EXPECT_FALSE(detail.isEmpty());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }
}

// The parts of a workbook the test reads: each cell's type, value and number format.
struct Cell
{
    QString type; // "s" shared string, "" number
    QString value;
    QString numberFormat;
};

QByteArray unzipped(const QString &file, const QString &member)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, member});
    unzip.waitForFinished(30000);
    return unzip.readAllStandardOutput();
}

std::map<QString, Cell> readSheet(const QString &file, QString *sheetName)
{
    QStringList strings;
    QXmlStreamReader shared(unzipped(file, QStringLiteral("xl/sharedStrings.xml")));
    while (shared.readNextStartElement() || !shared.atEnd()) {
        if (shared.isStartElement() && shared.name() == QLatin1String("t"))
            strings << shared.readElementText();
    }
    std::map<int, QString> customFormats{{0, QString()}};
    QStringList styleFormats;
    QXmlStreamReader styles(unzipped(file, QStringLiteral("xl/styles.xml")));
    bool inCellXfs = false;
    while (!styles.atEnd()) {
        styles.readNext();
        if (styles.isStartElement() && styles.name() == QLatin1String("numFmt"))
            customFormats[styles.attributes().value(QLatin1String("numFmtId")).toInt()] =
                styles.attributes().value(QLatin1String("formatCode")).toString();
        if (styles.name() == QLatin1String("cellXfs"))
            inCellXfs = styles.isStartElement();
        if (inCellXfs && styles.isStartElement() && styles.name() == QLatin1String("xf")) {
            const int id = styles.attributes().value(QLatin1String("numFmtId")).toInt();
            styleFormats << (customFormats.count(id) ? customFormats[id] : QString::number(id));
        }
    }
    const QByteArray workbook = unzipped(file, QStringLiteral("xl/workbook.xml"));
    const qsizetype at = workbook.indexOf("<sheet name=\"");
    *sheetName = at < 0 ? QString() : QString::fromUtf8(workbook.mid(at + 13).split('"').first());

    std::map<QString, Cell> cells;
    QXmlStreamReader sheet(unzipped(file, QStringLiteral("xl/worksheets/sheet1.xml")));
    QString reference;
    while (!sheet.atEnd()) {
        sheet.readNext();
        if (sheet.isStartElement() && sheet.name() == QLatin1String("c")) {
            reference = sheet.attributes().value(QLatin1String("r")).toString();
            Cell &cell = cells[reference];
            cell.type = sheet.attributes().value(QLatin1String("t")).toString();
            cell.numberFormat = styleFormats.value(sheet.attributes().value(QLatin1String("s")).toInt());
        } else if (sheet.isStartElement() && sheet.name() == QLatin1String("v")) {
            Cell &cell = cells[reference];
            cell.value = sheet.readElementText();
            if (cell.type == QLatin1String("s"))
                cell.value = strings.value(cell.value.toInt());
        }
    }
    return cells;
}

// The topmost row whose column A holds `text`.
QString rowOf(const std::map<QString, Cell> &cells, const QString &text)
{
    int top = 0;
    for (const auto &[reference, cell] : cells) {
        const int row = reference.mid(1).toInt();
        if (reference.startsWith(QLatin1Char('A')) && cell.value == text && (top == 0 || row < top))
            top = row;
    }
    return top ? QString::number(top) : QString();
}

TEST(ExportFile, WorkbookKeepsFieldsNumbersAndDates)
{
    TempDir dir;
    AudTestRecord test = demoTest(QStringLiteral("good"));
    setDisplayText(test.setup.customerName, QStringLiteral("Smith, Jones"));
    const QString file = dir.file(QStringLiteral("REPORT.XLSX"));
    ASSERT_EQ(writeExport(file, ExportFormat::Spreadsheet, '\t', {&test, nullptr, {}}), QString());

    QString sheetName;
    const std::map<QString, Cell> cells = readSheet(file, &sheetName);
    EXPECT_EQ(sheetName, QStringLiteral("Audiometer Report"));
    const auto at = [&](const QString &reference) {
        const auto found = cells.find(reference);
        return found == cells.end() ? Cell{QStringLiteral("absent")} : found->second;
    };

    const QString customer = rowOf(cells, QStringLiteral("Customer:"));
    EXPECT_EQ(at(QLatin1Char('B') + customer).value, QStringLiteral("Smith, Jones"));
    EXPECT_EQ(at(QLatin1Char('C') + customer).type, QStringLiteral("absent"));

    const QString date = rowOf(cells, QStringLiteral("Calibration Date:"));
    const Cell dateCell = at(QLatin1Char('B') + date);
    EXPECT_EQ(dateCell.type, QString());
    EXPECT_EQ(dateCell.numberFormat, QStringLiteral("d-m-yyyy"));
    const QDate testDate = QDate::fromString(QString::fromLatin1(fixedText(test.setup.testDate).data()), Qt::ISODate);
    EXPECT_EQ(dateCell.value.toLongLong(), QDate(1899, 12, 30).daysTo(testDate));

    const QString channels = rowOf(cells, QStringLiteral("Number of Channels:"));
    EXPECT_EQ(at(QLatin1Char('B') + channels).value, QStringLiteral("2"));
    EXPECT_EQ(at(QLatin1Char('B') + channels).numberFormat, QStringLiteral("0"));

    // The first hearing-level row: frequency, then levels with one place, then the target as text.
    const QString heads = rowOf(cells, QStringLiteral("(Hz)"));
    const QString first = QString::number(heads.toInt() + 1);
    EXPECT_EQ(at(QLatin1Char('A') + first).numberFormat, QStringLiteral("0"));
    EXPECT_EQ(at(QLatin1Char('B') + first).numberFormat, QStringLiteral("0.0"));
    EXPECT_EQ(at(QLatin1Char('B') + first).type, QString());
    EXPECT_EQ(at(QLatin1Char('E') + first).type, QStringLiteral("s"));
    EXPECT_TRUE(at(QLatin1Char('E') + first).value.contains(QLatin1String(" to ")));

    // A rate keeps its two places.
    const QString fmHead = rowOf(cells, QStringLiteral("Dial"));
    bool twoPlaces = false;
    for (const auto &[reference, cell] : cells)
        twoPlaces = twoPlaces || (reference.startsWith(QLatin1Char('E')) && cell.numberFormat == QLatin1String("0.00"));
    EXPECT_FALSE(fmHead.isEmpty());
    EXPECT_TRUE(twoPlaces);
}

TEST(ExportFile, BoothWorkbookIsNamedForTheBooth)
{
    TempDir dir;
    BoothRecord booth;
    setFixedText(booth.measurementDate, "2011-12-31");
    const QString file = dir.file(QStringLiteral("BOOTH.XLSX"));
    QFile ordinary(dir.file(QStringLiteral("ordinary"))); // made as any file the user writes
    ASSERT_TRUE(ordinary.open(QIODevice::WriteOnly));
    ASSERT_EQ(writeExport(file, ExportFormat::Spreadsheet, ',', {nullptr, &booth, {}}), QString());
    QString sheetName;
    const std::map<QString, Cell> cells = readSheet(file, &sheetName);
    EXPECT_EQ(sheetName, QStringLiteral("Booth Report"));
    EXPECT_EQ(QFile::permissions(file), QFile::permissions(dir.file(QStringLiteral("ordinary"))));
    const QString date = rowOf(cells, QStringLiteral("Measurement Date:"));
    EXPECT_EQ(cells.at(QStringLiteral("B") + date).value.toInt(), QDate(1899, 12, 30).daysTo(QDate(2011, 12, 31)));
}

} // namespace
} // namespace tonva::test
