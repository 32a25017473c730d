#pragma once

#include "report/CertificateOptions.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tonva {

// The certification paragraph dialog of Report > Certificate...: which paragraph file prints,
// editing it, and the three printing choices. Every decision is CertificateOptions'; this window
// shows its state and asks for file names.
class CCertOptionsDlg : public QDialog
{
    Q_OBJECT

public:
    // `options` must outlive the dialog; it is opened (its paragraph read) here.
    explicit CCertOptionsDlg(CertificateOptions &options, QWidget *parent = nullptr);

    // Asks for a file: to open (`save` false) or to save, proposing `initial`. An empty answer is
    // Cancel. Window tests replace the file dialogs with this.
    using FileChooser = std::function<QString(bool save, const QString &initial)>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

private:
    void browse();
    void edit();
    void save();
    void saveAs();
    void refresh();
    void accept() override;

    CertificateOptions &m_options;
    FileChooser m_chooseFile;
    QLineEdit *m_path = nullptr;
    QPlainTextEdit *m_text = nullptr;
    QPushButton *m_browse = nullptr;
    QPushButton *m_edit = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_saveAs = nullptr;
    QPushButton *m_ok = nullptr;
    QCheckBox *m_border = nullptr;
    QCheckBox *m_date = nullptr;
    QCheckBox *m_retspl = nullptr;
};

} // namespace tonva
