#pragma once

#include "model/AudTestRecord.h"
#include "model/BoothRecord.h"
#include "platform/Interaction.h"
#include "report/CertificateParagraph.h"
#include "report/ReportSelection.h"

#include <QString>
#include <functional>

class QPrinter;
class QWidget;

namespace tonva {

// What a certificate is printed from; the records belong to the caller.
struct CertificateSource
{
    CertificateKind kind = CertificateKind::Audiometer;
    const AudTestRecord *test = nullptr; // audiometer
    std::int16_t layoutVersion = 0;      // of the test's saved set-up
    const BoothRecord *booth = nullptr;  // booth
    ReportOrganisation organisation;
    QString paragraphPath; // AudCertPath or AmbCertPath
};

// Report > Certificate...: the paragraph dialog, then the preview of the certificate. The paragraph
// path the dialog settles on is handed to `storePath` (the document keeps it) as soon as it is
// chosen or saved. False when the technician cancelled the dialog.
bool previewCertificate(QWidget *parent, const CertificateSource &source, Interaction &interaction,
                        const std::function<void(const QString &)> &storePath, QPrinter &printer);

} // namespace tonva
