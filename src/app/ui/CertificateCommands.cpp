#include "app/CVemoraDoc.h"
#include "app/StoredRetrieval.h"
#include "app/ui/CMainFrame.h"
#include "report/Comparison.h"
#include "report/ui/CRptDataSelectDlg.h"
#include "report/ui/CertificatePreview.h"
#include "report/ui/ReportPreview.h"
#include "storage/ui/CStoredDataPS.h"

#include <QPrinter>

namespace tonva {

void CMainFrame::certificate()
{
    // Printer Setup's choices hold for the preview and the paper.
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>();
    PreferenceBlock &block = m_document.preferenceBlock();
    const bool audiometer = m_currentView == ViewId::Summary;
    CertificateSource source;
    source.kind = audiometer ? CertificateKind::Audiometer : CertificateKind::Booth;
    source.test = &m_document.currentTest();
    source.layoutVersion = m_document.savedSetup().layoutVersion;
    source.booth = &m_document.currentBooth();
    source.organisation = {block.companyName, block.header1, block.header2};
    source.paragraphPath = audiometer ? block.audCertPath : block.ambCertPath;
    previewCertificate(this, source, m_interaction, [this, audiometer](const QString &path) {
        PreferenceBlock &kept = m_document.preferenceBlock();
        QString &stored = audiometer ? kept.audCertPath : kept.ambCertPath;
        if (stored == path)
            return;
        stored = path;
        m_document.SavePreferences();
    }, *m_printer);
}

void CMainFrame::compareWith()
{
    if (!requireDatabase(ShellCommand::CompareWith))
        return;
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>();
    const PreferenceBlock &block = m_document.preferenceBlock();
    const ReportOrganisation organisation{block.companyName, block.header1, block.header2};
    const bool boothView = m_currentView == ViewId::Booth;
    ReportSelection selection;
    if (!boothView) {
        CRptDataSelectDlg choice(this);
        if (choice.exec() != QDialog::Accepted)
            return;
        selection = choice.selection();
    }
    const std::optional<StoredSelection> chosen =
        CStoredDataPS::run(m_document.database(), m_interaction, comparisonPages(boothView), this);
    // Without a second record there is nothing to compare: printing would show an empty or an
    // earlier Test 2 as if it had been chosen.
    if (!RetrieveComparison(m_document, chosen, boothView))
        return;
    if (boothView) {
        BoothReportOptions options;
        options.earsNotCovered = m_document.displayEarsNotCovered();
        previewBoothReport(this, m_document.currentBooth(), organisation, options, *m_printer);
        return;
    }
    CPrintCompareHandler comparison(m_document.currentTest(), m_document.comparisonTest(), organisation, selection,
                                    m_services.regionalMode);
    ReportPreviewDialog preview(comparison, *m_printer, this);
    preview.exec();
}

} // namespace tonva
