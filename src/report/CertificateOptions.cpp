#include "report/CertificateOptions.h"

#include "platform/Cp1252.h"

#include <QFile>
#include <utility>

namespace tonva {

namespace {

QString paragraphForField(const QByteArray &bytes)
{
    QString text = Cp1252::toUnicode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void tellWhenCut(const ParagraphFile &file, Interaction &interaction)
{
    if (file.cut)
        interaction.message(QStringLiteral("The paragraph file holds more than %1 bytes.\nOnly the first %1 "
                                           "bytes are shown and printed.")
                                .arg(kParagraphFileLimit));
}

} // namespace

CertificateOptions::CertificateOptions(CertificateKind kind, const QString &companyName, const QString &edition,
                                       const QString &storedPath, Interaction &interaction,
                                       std::function<void(const QString &)> storePath)
    : m_kind(kind), m_companyName(companyName), m_edition(edition), m_path(storedPath),
      m_interaction(interaction), m_storePath(std::move(storePath))
{
}

QString CertificateOptions::fileFilter() const
{
    return QStringLiteral("%1 Certificate Paragraph (*.%2)")
        .arg(m_kind == CertificateKind::Audiometer ? QStringLiteral("Audiometer") : QStringLiteral("Ambient"),
             QLatin1String(kParagraphExtension));
}

void CertificateOptions::useBuiltIn()
{
    m_text = defaultParagraphText(m_kind, m_companyName, m_edition).replace(QStringLiteral("\r\n"),
                                                                           QStringLiteral("\n"));
    m_path.clear();
}

void CertificateOptions::take(const ParagraphFile &file)
{
    m_text = paragraphForField(file.text);
}

void CertificateOptions::open()
{
    m_editing = false;
    if (m_path.isEmpty()) {
        useBuiltIn();
        return;
    }
    const ParagraphFile file = readParagraphFile(m_path);
    switch (file.status) {
    case ParagraphFile::Status::CannotOpen:
        m_interaction.message(QStringLiteral("Unable to open file.  Will use default paragraph."));
        useBuiltIn();
        return;
    case ParagraphFile::Status::Empty:
        m_interaction.message(QStringLiteral("Paragraph file appears to be empty.\nWill use original default "
                                             "paragraph."));
        useBuiltIn();
        return;
    case ParagraphFile::Status::Read:
        break;
    }
    tellWhenCut(file, m_interaction);
    take(file);
}

bool CertificateOptions::browse(const QString &path)
{
    if (m_editing)
        return false;
    if (!hasParagraphExtension(path)) {
        m_interaction.message(QStringLiteral("Selected file is invalid.  Must have \".%1\" extension.")
                                  .arg(QLatin1String(kParagraphExtension)));
        return false;
    }
    const ParagraphFile file = readParagraphFile(path);
    if (file.status == ParagraphFile::Status::CannotOpen) {
        m_interaction.message(QStringLiteral("Unable to open paragraph file."));
        return false;
    }
    if (file.status == ParagraphFile::Status::Empty)
        m_interaction.message(QStringLiteral("Warning: Paragraph file appears to be empty.\n"));
    tellWhenCut(file, m_interaction);
    take(file);
    m_path = path;
    m_storePath(m_path);
    return true;
}

void CertificateOptions::edit()
{
    m_editing = true;
}

CertificateOptions::SaveResult CertificateOptions::save()
{
    if (m_path.isEmpty())
        return SaveResult::NeedsPath;
    QString text = m_text;
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QByteArray bytes = Cp1252::fromUnicode(text);
    const bool tooLong = bytes.size() > kParagraphFileLimit;
    bytes.append('\0');
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
        !file.flush()) {
        m_interaction.message(QStringLiteral("Unable to open file for storing paragraph."));
        return SaveResult::Failed;
    }
    file.close();
    // The text is kept whole, so nothing is lost, but the certificate only ever reads the start.
    if (tooLong)
        m_interaction.message(QStringLiteral("The paragraph is longer than %1 bytes.\nOnly the first %1 bytes "
                                             "will be printed.")
                                  .arg(kParagraphFileLimit));
    m_storePath(m_path);
    m_editing = false;
    return SaveResult::Saved;
}

bool CertificateOptions::saveAs(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString previous = m_path;
    m_path = path;
    if (save() == SaveResult::Saved)
        return true;
    m_path = previous;
    return false;
}

} // namespace tonva
