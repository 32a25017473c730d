#pragma once

#include "export/DataExport.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tonva {

class Interaction;
class PreferenceStore;

// "Export Data": where and how the current audiometer test or booth survey is written. The format
// and delimiter are remembered from one export to the next.
class CExportDataDlg : public QDialog
{
    Q_OBJECT
public:
    // Opens a written file in the application the desktop has for it; false when that failed.
    using Launcher = std::function<bool(const QString &path)>;

    CExportDataDlg(PreferenceStore &preferences, Interaction &interaction, ExportSource source,
                   QWidget *parent = nullptr);
    ~CExportDataDlg() override;

    void setLauncher(Launcher launcher) { m_launch = std::move(launcher); }
    // The file the last successful export wrote.
    const QString &writtenPath() const { return m_written; }

    void accept() override;

private:
    void chooseFormat(ExportFormat format);
    void browse();

    PreferenceStore &m_preferences;
    Interaction &m_interaction;
    ExportSource m_source;
    ExportSettings m_settings;
    Launcher m_launch;
    QString m_written;

    QLineEdit *m_fileName;
    QRadioButton *m_excel;
    QRadioButton *m_csv;
    QRadioButton *m_text;
    QLabel *m_delimiterLabel;
    QRadioButton *m_comma;
    QRadioButton *m_tab;
    QCheckBox *m_launchCheck;
};

} // namespace tonva
