#pragma once

#include "platform/Interaction.h"
#include "report/CertificateParagraph.h"

#include <QString>
#include <functional>

namespace tonva {

// What the certificate options dialog decides: which paragraph file the certificate prints, its
// editing, and the three printing choices. The dialog only shows this state and forwards clicks;
// the file dialogs stay in the window, which hands the chosen path to browse() and saveAs().
class CertificateOptions
{
public:
    // `storePath` keeps a path in the document at once (AudCertPath or AmbCertPath), as Browse and
    // Save do; `storedPath` is the one kept there now.
    CertificateOptions(CertificateKind kind, const QString &companyName, const QString &edition,
                       const QString &storedPath, Interaction &interaction,
                       std::function<void(const QString &)> storePath);

    // Fills the paragraph from the stored path's file, or with the built-in text (clearing the path)
    // when there is none, it cannot be opened or it is empty.
    void open();

    // A file the technician picked; false when it was refused and nothing changed.
    bool browse(const QString &path);
    void edit();
    enum class SaveResult
    {
        Saved,
        NeedsPath, // no path yet: the window asks for one and calls saveAs()
        Failed,    // told so; still editing
    };
    SaveResult save();
    bool saveAs(const QString &path);

    // The paragraph field, line ends as "\n".
    const QString &text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }
    const QString &path() const { return m_path; }
    CertificateKind kind() const { return m_kind; }

    bool editing() const { return m_editing; }
    bool canEdit() const { return !m_editing; }
    bool canBrowse() const { return !m_editing; }
    bool canAccept() const { return !m_editing; }
    bool canSave() const { return m_editing; }

    // Not kept between dialogs: every certificate starts with all three on.
    bool includeBorder = true;
    bool includeDateOfSignature = true;
    bool displayRetsplMessage = true;

    // "Audiometer Certificate Paragraph (*.acp)" or the "Ambient" one, for the file dialogs.
    QString fileFilter() const;

private:
    void useBuiltIn();
    void take(const ParagraphFile &file);

    CertificateKind m_kind;
    QString m_companyName;
    QString m_edition;
    QString m_path;
    QString m_text;
    bool m_editing = false;
    Interaction &m_interaction;
    std::function<void(const QString &)> m_storePath;
};

} // namespace tonva
