#include "ExportTestSupport.h"

#include "support/TempDir.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QMultiMap>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <algorithm>

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

// A failed write says so and leaves no half-written or staging file behind.
TEST(ExportFile, AFailedWriteLeavesNothingBehind)
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

QString unzipped(const QString &file, const QString &member)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, member});
    unzip.waitForFinished(30000);
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

QStringList captures(const QString &xml, const char *pattern, int group = 1)
{
    QStringList found;
    for (const QRegularExpressionMatch &match : QRegularExpression(QLatin1String(pattern)).globalMatch(xml))
        found << match.captured(group);
    return found;
}

// Cells by reference ("B4"); the row numbers of column A by text.
struct Sheet
{
    QString name;
    std::map<QString, Cell> cells;
    QMultiMap<QString, int> rowsOf;

    Cell at(const char *column, int row) const
    {
        const auto found = cells.find(QLatin1String(column) + QString::number(row));
        return found == cells.end() ? Cell{QStringLiteral("absent")} : found->second;
    }
    // The topmost (or with `last`, the lowest) row whose column A holds `text`.
    int row(const char *text, bool last = false) const
    {
        const QList<int> rows = rowsOf.values(QLatin1String(text));
        return rows.isEmpty() ? -1 : last ? *std::max_element(rows.begin(), rows.end())
                                          : *std::min_element(rows.begin(), rows.end());
    }
};

Sheet readSheet(const QString &file)
{
    Sheet sheet;
    sheet.name = captures(unzipped(file, QStringLiteral("xl/workbook.xml")), "<sheet name=\"([^\"]*)\"").value(0);
    const QStringList strings = captures(unzipped(file, QStringLiteral("xl/sharedStrings.xml")), "<t[^>]*>([^<]*)</t>");
    const QString styles = unzipped(file, QStringLiteral("xl/styles.xml"));
    const QStringList ids = captures(styles, "<numFmt numFmtId=\"(\\d+)\"");
    const QStringList codes = captures(styles, "formatCode=\"([^\"]*)\"");
    QStringList styleFormats;
    for (const QString &id : captures(styles.mid(styles.indexOf(QLatin1String("<cellXfs"))), "<xf numFmtId=\"(\\d+)\""))
        styleFormats << codes.value(ids.indexOf(id));
    const QString xml = unzipped(file, QStringLiteral("xl/worksheets/sheet1.xml"));
    static const QRegularExpression cellPattern(
        QStringLiteral("<c r=\"([A-Z]+)(\\d+)\"(?: s=\"(\\d+)\")?(?: t=\"(\\w+)\")?><v>([^<]*)</v>"));
    for (const QRegularExpressionMatch &m : cellPattern.globalMatch(xml)) {
        Cell cell{m.captured(4), m.captured(5), styleFormats.value(m.captured(3).toInt())};
        if (cell.type == QLatin1String("s"))
            cell.value = strings.value(cell.value.toInt());
        if (m.captured(1) == QLatin1String("A"))
            sheet.rowsOf.insert(cell.value, m.captured(2).toInt());
        sheet.cells[m.captured(1) + m.captured(2)] = cell;
    }
    return sheet;
}

TEST(ExportFile, WorkbookKeepsFieldsNumbersAndDates)
{
    TempDir dir;
    AudTestRecord test = demoTest(QStringLiteral("good"));
    setDisplayText(test.setup.customerName, QStringLiteral("Smith, Jones"));
    const QString file = dir.file(QStringLiteral("REPORT.XLSX"));
    ASSERT_EQ(writeExport(file, ExportFormat::Spreadsheet, '\t', {&test, nullptr, {}}), QString());

    const Sheet sheet = readSheet(file);
    EXPECT_EQ(sheet.name, QStringLiteral("Audiometer Report"));
    EXPECT_EQ(sheet.at("B", sheet.row("Customer:")).value, QStringLiteral("Smith, Jones"));
    EXPECT_EQ(sheet.at("C", sheet.row("Customer:")).type, QStringLiteral("absent"));

    const Cell date = sheet.at("B", sheet.row("Calibration Date:"));
    EXPECT_EQ(date.type, QString());
    EXPECT_EQ(date.numberFormat, QStringLiteral("d-m-yyyy"));
    const QDate testDate = QDate::fromString(QString::fromLatin1(fixedText(test.setup.testDate).data()), Qt::ISODate);
    EXPECT_EQ(date.value.toLongLong(), QDate(1899, 12, 30).daysTo(testDate));

    const Cell channels = sheet.at("B", sheet.row("Number of Channels:"));
    EXPECT_EQ(channels.value, QStringLiteral("2"));
    EXPECT_EQ(channels.numberFormat, QStringLiteral("0"));

    // The first hearing-level row: frequency, then levels with one place, then the target as text;
    // the first FM row keeps the rate's two places.
    const int first = sheet.row("(Hz)") + 1;
    EXPECT_EQ(sheet.at("A", first).numberFormat, QStringLiteral("0"));
    EXPECT_EQ(sheet.at("B", first).numberFormat, QStringLiteral("0.0"));
    EXPECT_EQ(sheet.at("B", first).type, QString());
    EXPECT_TRUE(sheet.at("E", first).value.contains(QLatin1String(" to ")));
    EXPECT_EQ(sheet.at("E", sheet.row("Dial", true) + 2).numberFormat, QStringLiteral("0.00"));
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
    const Sheet sheet = readSheet(file);
    EXPECT_EQ(sheet.name, QStringLiteral("Booth Report"));
    EXPECT_EQ(QFile::permissions(file), QFile::permissions(dir.file(QStringLiteral("ordinary"))));
    EXPECT_EQ(sheet.at("B", sheet.row("Measurement Date:")).value.toInt(),
              QDate(1899, 12, 30).daysTo(QDate(2011, 12, 31)));
}

} // namespace
} // namespace tonva::test
