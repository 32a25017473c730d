#include "report/ui/CertificatePreview.h"

#include "report/Certificate.h"
#include "report/ui/CCertOptionsDlg.h"
#include "report/ui/ReportPreview.h"

namespace tonva {

bool previewCertificate(QWidget *parent, const CertificateSource &source, Interaction &interaction,
                        const std::function<void(const QString &)> &storePath, QPrinter &printer)
{
    const bool audiometer = source.kind == CertificateKind::Audiometer;
    const QString edition = audiometer ? audiometerStandardEdition(source.layoutVersion) : QString();
    CertificateOptions options(source.kind, source.organisation.companyName, edition, source.paragraphPath,
                               interaction, storePath);
    CCertOptionsDlg dialog(options, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The dialog may have cleared the path (the built-in paragraph); the document keeps what it chose.
    storePath(options.path());

    CCertHandler certificate = audiometer ? CCertHandler::forAudiometer(*source.test, source.layoutVersion,
                                                                        source.organisation, options.path())
                                          : CCertHandler::forBooth(*source.booth, source.organisation, options.path());
    certificate.includeBorder = options.includeBorder;
    certificate.includeDateOfSignature = options.includeDateOfSignature;
    certificate.displayRetsplMessage = options.displayRetsplMessage;
    // The rest of the page still prints: the technician may want it with a paragraph written by hand.
    if (const QString problem = certificate.paragraphProblem(); !problem.isEmpty())
        interaction.message(problem);
    ReportPreviewDialog preview(certificate, printer, parent);
    preview.exec();
    return true;
}

} // namespace tonva
