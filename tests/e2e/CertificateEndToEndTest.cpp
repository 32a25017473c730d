#include "support/Processes.h"
#include "support/TempDir.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace tonva::test;

namespace {

ProgramResult cli(const QStringList &arguments)
{
    return runProgram(builtProgram("src/cli/tonva-cli"), arguments, 120000);
}

QString pdfText(const QString &pdf)
{
    return runProgram("pdftotext", {"-layout", pdf, "-"}).out;
}

} // namespace

// The certificate and the comparison of a stored demo test, written as PDFs by the command line.
TEST(CertificateEndToEnd, CertificateAndComparisonOfAStoredTest)
{
    TempDir dir;
    const QString db = dir.file("demo.sqlite");
    ASSERT_EQ(cli({"demo", "--db", db, "--measurements", "hl,lin"}).exitCode, 0);
    const QStringList common{"report", "--db", db, "--test", "1", "--company", "Acme Audio Labs", "--today",
                             "2026-07-05"};

    const QString certificate = dir.file("certificate.pdf");
    ProgramResult result = cli(common + QStringList{"--kind", "certificate", "--pdf", certificate});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString text = pdfText(certificate);
    for (const char *expected : {"Certificate of Calibration", "Acme Audio Labs certifies that this audiometer meets",
                                 "(ANSI S3.6 2004)", "Date Issued: 2026-07-05", "Instrumentation", "Sound Level Meter"})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.toStdString();
    const QString fonts = runProgram("pdffonts", {certificate}).out;
    EXPECT_TRUE(fonts.contains("LiberationMono")) << fonts.toStdString();
    for (const QString &line : fonts.split('\n', Qt::SkipEmptyParts).mid(2)) {
        const QStringList columns = line.split(' ', Qt::SkipEmptyParts);
        EXPECT_EQ(columns.value(columns.size() - 5), "yes") << "embedded: " << line.toStdString();
    }

    // A paragraph file that cannot be read stops the command with the message.
    result = cli(common + QStringList{"--kind", "certificate", "--paragraph", dir.path(), "--pdf", certificate});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("Unable to open paragraph file.")) << result.err.toStdString();

    const QString comparison = dir.file("comparison.pdf");
    result = cli(common + QStringList{"--kind", "comparison", "--pdf", comparison});
    EXPECT_EQ(result.exitCode, 1) << "no Test 2: refused, not printed blank";
    EXPECT_TRUE(result.err.contains("--compare-with")) << result.err.toStdString();
    result = cli(common + QStringList{"--kind", "comparison", "--compare-with", "1", "--pdf", comparison});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString compared = pdfText(comparison);
    for (const char *expected : {"Audiometer Calibration:", "Page 1", "Hearing Level Test", "Linearity Test"})
        EXPECT_TRUE(compared.contains(expected)) << expected << "\n" << compared.toStdString();
    EXPECT_FALSE(compared.contains("NOTE: Instrumentation is not the same"));
}
