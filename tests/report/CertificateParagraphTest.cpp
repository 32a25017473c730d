#include "report/CertificateOptions.h"
#include "report/CertificateParagraph.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tonva;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(CertificateParagraph, LineEndsOfEverySystemBreakWithoutLosingBytes)
{
    struct Row
    {
        QByteArray text;
        int wrapAfter;
        QList<QByteArray> lines;
    } rows[] = {
        {"ab\r\ncd\r\n", 60, {"ab", "cd"}},
        {"ab\ncd\n\nef", 60, {"ab", "cd", "", "ef"}},
        {"ab\rcd\r", 60, {"ab", "cd"}},
        {"ab\r\n\r\ncd", 60, {"ab", "", "cd"}},
        {QByteArray("ab\r\ncd\0garbage", 15), 60, {"ab", "cd"}},
        // A space after more than N characters breaks and is dropped; a long run stays whole.
        {"one two three four", 3, {"one two", "three", "four"}},
        {"abcdefghij klm", 3, {"abcdefghij", "klm"}},
    };
    for (const Row &row : rows)
        EXPECT_EQ(splitParagraph(row.text, row.wrapAfter), row.lines) << row.text.toStdString();
}

TEST(CertificateParagraph, ReaderStopsAtNulAndReportsWhatItCut)
{
    test::TempDir dir;
    const QString saved = dir.file("saved.acp");
    writeFile(saved, QByteArray("Acme certifies\r\n\0", 17));
    ParagraphFile file = readParagraphFile(saved);
    EXPECT_EQ(file.status, ParagraphFile::Status::Read);
    EXPECT_EQ(file.text, "Acme certifies\r\n");
    EXPECT_FALSE(file.cut);

    // Exactly the limit plus the saved NUL is whole; one byte more is cut and says so.
    writeFile(saved, QByteArray(kParagraphFileLimit, 'x') + '\0');
    EXPECT_FALSE(readParagraphFile(saved).cut);
    writeFile(saved, QByteArray(kParagraphFileLimit + 1, 'x'));
    file = readParagraphFile(saved);
    EXPECT_TRUE(file.cut);
    EXPECT_EQ(file.text.size(), kParagraphFileLimit);

    writeFile(saved, QByteArray("\0rest", 5));
    EXPECT_EQ(readParagraphFile(saved).status, ParagraphFile::Status::Empty);
    EXPECT_EQ(readParagraphFile(dir.path()).status, ParagraphFile::Status::CannotOpen);
    EXPECT_EQ(readParagraphFile(dir.file("missing.acp")).status, ParagraphFile::Status::CannotOpen);
}

TEST(CertificateParagraph, EditionFollowsTheLayoutVersionAndLayoutsCarryIt)
{
    const std::pair<int, const char *> editions[] = {
        {0, "(ANSI S3.6 2004)"},   {-5, "(ANSI S3.6 2004)"},  {1, "(ANSI S3.6 1996)"},
        {146, "(ANSI S3.6 1996)"}, {147, "(ANSI S3.6 2004)"}, {220, "(ANSI S3.6 2004)"}};
    for (const auto &[version, edition] : editions)
        EXPECT_EQ(audiometerStandardEdition(std::int16_t(version)), edition) << version;

    for (const int lines : kBuiltInLayoutLines) {
        const QStringList audiometer = builtInParagraph(CertificateKind::Audiometer, lines, "Acme", "(E)");
        ASSERT_EQ(audiometer.size(), lines);
        EXPECT_TRUE(audiometer.first().startsWith("Acme "));
        EXPECT_TRUE(audiometer.last().endsWith("(E)"));
        EXPECT_EQ(builtInParagraph(CertificateKind::Booth, lines, "Acme", "(E)").last().right(16),
                  "(ANSI S3.1 1999)");
    }
}

TEST(CertificateOptionsLogic, OpeningFallsBackToTheBuiltInParagraphAndClearsThePath)
{
    test::TempDir dir;
    test::ScriptedInteraction interaction;
    QString stored;
    interaction.expectMessage("Unable to open file.  Will use default paragraph.");
    CertificateOptions missing(CertificateKind::Booth, "Acme", "", dir.file("gone.acp"), interaction,
                               [&](const QString &path) { stored = path; });
    missing.open();
    EXPECT_TRUE(missing.path().isEmpty());
    EXPECT_EQ(missing.text(), "Acme certifies that this booth meets\nor exceeds the minimum specifications "
                              "described in the American\nNational Standards Institute Specification for "
                              "Audiometric Test Rooms.\n(ANSI S3.1 1999)");
    EXPECT_TRUE(missing.canAccept() && missing.canEdit() && !missing.canSave());

    const QString empty = dir.file("empty.acp");
    writeFile(empty, "");
    interaction.expectMessage("Paragraph file appears to be empty.\nWill use original default paragraph.");
    CertificateOptions emptyFile(CertificateKind::Audiometer, "Acme", "(ANSI S3.6 1996)", empty, interaction,
                                 [](const QString &) {});
    emptyFile.open();
    EXPECT_TRUE(emptyFile.path().isEmpty());
    EXPECT_TRUE(emptyFile.text().endsWith("Audiometers.\n(ANSI S3.6 1996)"));
    interaction.verifyDone();
}

TEST(CertificateOptionsLogic, BrowseEditSaveRoundTrip)
{
    test::TempDir dir;
    test::ScriptedInteraction interaction;
    QStringList stored;
    CertificateOptions options(CertificateKind::Audiometer, "Acme", "(E)", "", interaction,
                               [&](const QString &path) { stored << path; });
    options.open();

    interaction.expectMessage("Selected file is invalid.  Must have \".acp\" extension.");
    EXPECT_FALSE(options.browse(dir.file("para.ACP")));
    interaction.expectMessage("Unable to open paragraph file.");
    EXPECT_FALSE(options.browse(dir.file("missing.acp")));
    EXPECT_TRUE(stored.isEmpty());

    const QString lfOnly = dir.file("unix.acp");
    writeFile(lfOnly, "First line\nsecond line");
    ASSERT_TRUE(options.browse(lfOnly));
    EXPECT_EQ(options.text(), "First line\nsecond line");
    EXPECT_EQ(stored, QStringList{lfOnly});

    options.edit();
    EXPECT_TRUE(options.canSave() && !options.canAccept() && !options.canBrowse() && !options.canEdit());
    options.setText("Edited\nparagraph");
    EXPECT_EQ(options.save(), CertificateOptions::SaveResult::Saved);
    EXPECT_FALSE(options.editing());
    QFile saved(lfOnly);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("Edited\r\nparagraph\0", 18));

    // A text too long to print whole is saved whole, and the technician is told.
    options.edit();
    options.setText(QString(kParagraphFileLimit + 20, QLatin1Char('y')));
    interaction.expectMessageStartingWith("The paragraph is longer than 500 bytes.");
    EXPECT_EQ(options.save(), CertificateOptions::SaveResult::Saved);
    interaction.expectMessageStartingWith("The paragraph file holds more than 500 bytes.");
    EXPECT_TRUE(options.browse(lfOnly));
    EXPECT_EQ(options.text().size(), kParagraphFileLimit);

    // A place that cannot be written keeps the dialog editing and the old path.
    options.edit();
    interaction.expectMessage("Unable to open file for storing paragraph.");
    EXPECT_FALSE(options.saveAs(dir.path()));
    EXPECT_TRUE(options.editing());
    EXPECT_EQ(options.path(), lfOnly);
    interaction.verifyDone();
}
