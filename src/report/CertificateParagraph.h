#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace tonva {

// What a certificate certifies; the numbers are the renderer's kind codes.
enum class CertificateKind : int
{
    Audiometer = 1,
    Booth = 3,
};

// Paragraph files are read only this far; anything beyond is not printed.
inline constexpr int kParagraphFileLimit = 500;
inline constexpr char kParagraphExtension[] = "acp";

// The certification paragraph as a file holds it, text up to its first NUL (a file saved by the
// options dialog ends with one).
struct ParagraphFile
{
    enum class Status
    {
        Read,
        CannotOpen,
        Empty,
    };
    Status status = Status::CannotOpen;
    QByteArray text; // cp1252 bytes, at most kParagraphFileLimit
    // The file held more text than the limit: the rest is neither shown nor printed.
    bool cut = false;
};

// Anything that is not a plain file (a directory, a device, a pipe) cannot be opened: a wrong path
// must not hang the dialog or the printout.
ParagraphFile readParagraphFile(const QString &path);

// True when the name ends in exactly ".acp" (case matters, as it always did for these files).
bool hasParagraphExtension(const QString &path);

// Splits a paragraph into printed lines. CR LF, a lone CR and a lone LF each end a line, so files
// from any system print as written; a NUL ends the text. A space that arrives when the line already
// holds more than `wrapAfter` characters ends the line (and is dropped); a longer run without a
// space stays whole.
QList<QByteArray> splitParagraph(QByteArrayView text, int wrapAfter);

// The edition of the audiometer standard a certificate cites, by the layout version of the test's
// saved set-up: records of program versions up to 1.46 were made against the 1996 edition.
QString audiometerStandardEdition(std::int16_t layoutVersion);

// The built-in paragraph in one of its three layouts (4, 5 or 8 lines, widest first), the company
// name already in its first line.
inline constexpr int kBuiltInLayoutLines[3] = {4, 5, 8};
QStringList builtInParagraph(CertificateKind kind, int layoutLines, const QString &companyName,
                             const QString &edition);

// The built-in paragraph as the options dialog shows it: one text with CR LF line ends.
QString defaultParagraphText(CertificateKind kind, const QString &companyName, const QString &edition);

} // namespace tonva
