#include "report/CertificateParagraph.h"

#include <QFile>
#include <QFileInfo>

namespace tonva {

ParagraphFile readParagraphFile(const QString &path)
{
    ParagraphFile result;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    // One byte past the limit tells a file that was cut from one that just fills it.
    QByteArray bytes = file.read(kParagraphFileLimit + 1);
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        bytes.truncate(nul);
    if (bytes.size() > kParagraphFileLimit) {
        bytes.truncate(kParagraphFileLimit);
        result.cut = true;
    }
    result.text = bytes;
    result.status = bytes.isEmpty() ? ParagraphFile::Status::Empty : ParagraphFile::Status::Read;
    return result;
}

bool hasParagraphExtension(const QString &path)
{
    return QFileInfo(path).suffix() == QLatin1String(kParagraphExtension);
}

QList<QByteArray> splitParagraph(QByteArrayView text, int wrapAfter)
{
    QList<QByteArray> lines;
    QByteArray line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0')
            break;
        if (c == '\r' || c == '\n') {
            lines << line;
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        if (c == ' ' && line.size() > wrapAfter) {
            lines << line;
            line.clear();
            continue;
        }
        line += c;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QString audiometerStandardEdition(std::int16_t layoutVersion)
{
    return layoutVersion >= 1 && layoutVersion <= 146 ? QStringLiteral("(ANSI S3.6 1996)")
                                                      : QStringLiteral("(ANSI S3.6 2004)");
}

QStringList builtInParagraph(CertificateKind kind, int layoutLines, const QString &companyName,
                             const QString &edition)
{
    const QString company = companyName;
    QStringList lines;
    if (kind == CertificateKind::Audiometer) {
        if (layoutLines == 4)
            lines = {company + QStringLiteral(" certifies that this audiometer meets"),
                     QStringLiteral("or exceeds the minimum specifications described in the American"),
                     QStringLiteral("National Standards Institute Specification for Audiometers."), edition};
        else if (layoutLines == 5)
            lines = {company + QStringLiteral(" "), QStringLiteral("certifies that this audiometer meets or exceeds"),
                     QStringLiteral("the minimum specifications described in the "),
                     QStringLiteral("American National Standards Institute Specification"),
                     QStringLiteral("for Audiometers.   ") + edition};
        else
            lines = {company + QStringLiteral(" "),
                     QStringLiteral("certifies that this audiometer"),
                     QStringLiteral("meets or exceeds the minimum"),
                     QStringLiteral("specifications described in the "),
                     QStringLiteral("American National Standards"),
                     QStringLiteral("  Institute Specification"),
                     QStringLiteral("for Audiometers."),
                     QStringLiteral("  ") + edition};
        return lines;
    }
    if (layoutLines == 4)
        lines = {company + QStringLiteral(" certifies that this booth meets"),
                 QStringLiteral("or exceeds the minimum specifications described in the American"),
                 QStringLiteral("National Standards Institute Specification for Audiometric Test Rooms."),
                 QStringLiteral("(ANSI S3.1 1999)")};
    else if (layoutLines == 5)
        lines = {company + QStringLiteral(" "), QStringLiteral("certifies that this booth meets or exceeds"),
                 QStringLiteral("the minimum specifications described in the "),
                 QStringLiteral("American National Standards Institute Specification"),
                 QStringLiteral("for Audiometric Test Rooms.   (ANSI S3.1 1999)")};
    else
        lines = {company + QStringLiteral(" "),
                 QStringLiteral("certifies that this booth"),
                 QStringLiteral("meets or exceeds the minimum"),
                 QStringLiteral("specifications described in the "),
                 QStringLiteral("American National Standards"),
                 QStringLiteral("  Institute Specification"),
                 QStringLiteral("for Audiometric Test Rooms."),
                 QStringLiteral("(ANSI S3.1 1999)")};
    return lines;
}

QString defaultParagraphText(CertificateKind kind, const QString &companyName, const QString &edition)
{
    if (kind == CertificateKind::Audiometer)
        return companyName + QStringLiteral(" certifies that this audiometer meets\r\nor exceeds the minimum "
                                            "specifications described in the American\r\nNational Standards "
                                            "Institute Specification for Audiometers.\r\n") +
               edition;
    return companyName + QStringLiteral(" certifies that this booth meets\r\nor exceeds the minimum specifications "
                                        "described in the American\r\nNational Standards Institute Specification "
                                        "for Audiometric Test Rooms.\r\n(ANSI S3.1 1999)");
}

} // namespace tonva
