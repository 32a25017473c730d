#include "export/ui/CExportDataDlg.h"

#include "platform/Interaction.h"
#include "platform/PreferenceStore.h"
#include "platform/ui/OkCancelButtons.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tonva {

namespace {

QString filterOf(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Spreadsheet:
        return QStringLiteral("Excel (*.xlsx);;All Files (*)");
    case ExportFormat::CommaSeparated:
        return QStringLiteral("Comma-Separated (*.csv);;All Files (*)");
    case ExportFormat::Text:
        break;
    }
    return QStringLiteral("Text (*.txt);;All Files (*)");
}

QRadioButton *radio(const QString &text, const char *name, QWidget *parent)
{
    auto *button = new QRadioButton(text, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

// The wait cursor for as long as the export writes.
struct WaitCursor
{
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

CExportDataDlg::CExportDataDlg(PreferenceStore &preferences, Interaction &interaction, ExportSource source,
                               QWidget *parent)
    : QDialog(parent), m_preferences(preferences), m_interaction(interaction), m_source(source),
      m_settings(ExportSettings::read(preferences)),
      m_launch([](const QString &path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); })
{
    setWindowTitle(QStringLiteral("Export Data"));
    setObjectName(QStringLiteral("CExportDataDlg"));

    m_fileName = new QLineEdit(this);
    m_fileName->setObjectName(QStringLiteral("fileName"));
    auto *browseButton = new QPushButton(QStringLiteral("Browse..."), this);
    browseButton->setObjectName(QStringLiteral("browseButton"));
    auto *hint = new QLabel(QStringLiteral("You should use the Browse function to select your file."), this);
    hint->setObjectName(QStringLiteral("browseHint"));
    hint->hide();

    auto *formatBox = new QGroupBox(QStringLiteral("Data Format"), this);
    m_excel = radio(QStringLiteral("Excel (xlsx)"), "excelRadio", formatBox);
    m_csv = radio(QStringLiteral("Comma Delimited (CSV)"), "csvRadio", formatBox);
    m_text = radio(QStringLiteral("Text (txt)"), "textRadio", formatBox);
    auto *formats = new QButtonGroup(this);
    formats->addButton(m_excel);
    formats->addButton(m_csv);
    formats->addButton(m_text);
    auto *formatLayout = new QVBoxLayout(formatBox);
    formatLayout->addWidget(m_excel);
    formatLayout->addWidget(m_csv);
    formatLayout->addWidget(m_text);

    m_delimiterLabel = new QLabel(QStringLiteral("Delimiter:  "), this);
    m_comma = radio(QStringLiteral("Comma"), "commaRadio", this);
    m_tab = radio(QStringLiteral("Tab"), "tabRadio", this);
    auto *delimiters = new QButtonGroup(this);
    delimiters->addButton(m_comma);
    delimiters->addButton(m_tab);

    m_launchCheck = new QCheckBox(QStringLiteral("Automatically launch application"), this);
    m_launchCheck->setObjectName(QStringLiteral("launchCheck"));

    auto *layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("File name:"), this), 0, 0);
    layout->addWidget(m_fileName, 0, 1);
    layout->addWidget(browseButton, 0, 2);
    layout->addWidget(hint, 1, 1, 1, 2);
    layout->addWidget(formatBox, 2, 0, 1, 3);
    auto *delimiterRow = new QHBoxLayout;
    delimiterRow->addWidget(m_delimiterLabel);
    delimiterRow->addWidget(m_comma);
    delimiterRow->addWidget(m_tab);
    delimiterRow->addStretch();
    layout->addLayout(delimiterRow, 3, 0, 1, 3);
    layout->addWidget(m_launchCheck, 4, 0, 1, 3);
    layout->addWidget(okCancelButtons(this), 5, 0, 1, 3);

    (m_settings.delimiter == '\t' ? m_tab : m_comma)->setChecked(true);
    chooseFormat(m_settings.format);
    connect(m_excel, &QRadioButton::clicked, this, [this] { chooseFormat(ExportFormat::Spreadsheet); });
    connect(m_csv, &QRadioButton::clicked, this, [this] { chooseFormat(ExportFormat::CommaSeparated); });
    connect(m_text, &QRadioButton::clicked, this, [this] { chooseFormat(ExportFormat::Text); });
    connect(m_comma, &QRadioButton::clicked, this, [this] { m_settings.delimiter = ','; });
    connect(m_tab, &QRadioButton::clicked, this, [this] { m_settings.delimiter = '\t'; });
    connect(browseButton, &QPushButton::clicked, this, &CExportDataDlg::browse);
}

CExportDataDlg::~CExportDataDlg()
{
    m_settings.write(m_preferences);
}

void CExportDataDlg::chooseFormat(ExportFormat format)
{
    m_settings.format = format;
    (format == ExportFormat::Spreadsheet ? m_excel : format == ExportFormat::CommaSeparated ? m_csv : m_text)
        ->setChecked(true);
    if (format == ExportFormat::CommaSeparated) {
        m_settings.delimiter = ',';
        m_comma->setChecked(true);
    }
    // Only plain text lets the technician choose the delimiter.
    const bool choosable = format == ExportFormat::Text;
    m_delimiterLabel->setEnabled(choosable);
    m_comma->setEnabled(choosable);
    m_tab->setEnabled(choosable);
}

void CExportDataDlg::browse()
{
    const QString current = m_fileName->text().trimmed();
    const QString folder = m_preferences.read(preference::DefaultExportFolder);
    const QString initial = current.isEmpty() ? QStringLiteral("REPORTDATA") : current;
    const QString start = QFileInfo(initial).isAbsolute() || folder.isEmpty() ? initial : folder + QLatin1Char('/') + initial;
    const QString chosen = QFileDialog::getSaveFileName(this, QString(), start, filterOf(m_settings.format));
    if (chosen.isEmpty())
        return;
    m_fileName->setText(chosen);
    m_preferences.write(preference::DefaultExportFolder, QFileInfo(chosen).absolutePath());
}

void CExportDataDlg::accept()
{
    const QString path = exportTargetPath(m_fileName->text(), m_settings.format,
                                          m_preferences.read(preference::DefaultExportFolder));
    if (path.isEmpty()) {
        m_interaction.message(QString::fromLatin1(exportmessage::kNoFileName));
        m_fileName->setFocus();
        return;
    }
    {
        const WaitCursor wait;
        const QString failure = writeExport(path, m_settings.format, m_settings.effectiveDelimiter(), m_source);
        if (!failure.isEmpty()) {
            m_interaction.message(failure);
            return;
        }
    }
    m_written = path;
    // The name always has its folder now, so the file can be opened without asking where it went.
    if (m_launchCheck->isChecked() && !m_launch(path))
        m_interaction.message(QString::fromLatin1(exportmessage::kCannotLaunch));
    QDialog::accept();
}

} // namespace tonva
