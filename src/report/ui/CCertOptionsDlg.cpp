#include "report/ui/CCertOptionsDlg.h"

#include "platform/ui/OkCancelButtons.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace tonva {

namespace {

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *result = new QPushButton(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setAutoDefault(false);
    return result;
}

QCheckBox *checkBox(const QString &text, const char *name, bool checked, QWidget *parent)
{
    auto *result = new QCheckBox(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setChecked(checked);
    return result;
}

} // namespace

CCertOptionsDlg::CCertOptionsDlg(CertificateOptions &options, QWidget *parent)
    : QDialog(parent), m_options(options)
{
    setWindowTitle(QStringLiteral("Certificate Paragraph"));
    const QString filter = m_options.fileFilter();
    m_chooseFile = [this, filter](bool save, const QString &initial) {
        const QString suffix = QLatin1String(kParagraphExtension);
        if (save) {
            QFileDialog dialog(this, QStringLiteral("Save As"), initial, filter);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setDefaultSuffix(suffix);
            return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
        }
        return QFileDialog::getOpenFileName(this, QStringLiteral("Browse"), initial, filter);
    };

    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("paragraphPath"));
    m_path->setReadOnly(true);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("paragraphText"));
    m_text->setFont(QFont(QStringLiteral("Courier New"), 10));
    m_text->setMinimumSize(560, 160);
    m_browse = button(QStringLiteral("Browse..."), "browseButton", this);
    m_edit = button(QStringLiteral("Edit"), "editButton", this);
    m_save = button(QStringLiteral("Save"), "saveButton", this);
    m_saveAs = button(QStringLiteral("Save As..."), "saveAsButton", this);
    m_border = checkBox(QStringLiteral("Include border?"), "includeBorder", m_options.includeBorder, this);
    m_date = checkBox(QStringLiteral("Include date of signature?"), "includeDate", m_options.includeDateOfSignature,
                      this);
    m_retspl = checkBox(QStringLiteral("Display RETSPL Message"), "displayRetspl", m_options.displayRetsplMessage,
                        this);

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("Paragraph file:"), this));
    fileRow->addWidget(m_path, 1);
    fileRow->addWidget(m_browse);
    auto *editRow = new QHBoxLayout;
    editRow->addWidget(m_edit);
    editRow->addWidget(m_save);
    editRow->addWidget(m_saveAs);
    editRow->addStretch(1);
    auto *boxes = new QVBoxLayout;
    boxes->addWidget(m_border);
    boxes->addWidget(m_date);
    boxes->addWidget(m_retspl);
    QDialogButtonBox *buttons = okCancelButtons(this);
    m_ok = buttons->button(QDialogButtonBox::Ok);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addWidget(new QLabel(QStringLiteral("Certification paragraph:"), this));
    layout->addWidget(m_text, 1);
    layout->addLayout(editRow);
    layout->addLayout(boxes);
    layout->addWidget(buttons);

    connect(m_browse, &QPushButton::clicked, this, &CCertOptionsDlg::browse);
    connect(m_edit, &QPushButton::clicked, this, &CCertOptionsDlg::edit);
    connect(m_save, &QPushButton::clicked, this, &CCertOptionsDlg::save);
    connect(m_saveAs, &QPushButton::clicked, this, &CCertOptionsDlg::saveAs);

    m_options.open();
    refresh();
}

void CCertOptionsDlg::refresh()
{
    m_path->setText(m_options.path());
    m_text->setPlainText(m_options.text());
    m_text->setReadOnly(!m_options.editing());
    m_browse->setEnabled(m_options.canBrowse());
    m_edit->setEnabled(m_options.canEdit());
    m_save->setEnabled(m_options.canSave());
    m_saveAs->setEnabled(m_options.canSave());
    m_ok->setEnabled(m_options.canAccept());
}

void CCertOptionsDlg::browse()
{
    const QString path = m_chooseFile(false, m_options.path());
    if (!path.isEmpty() && m_options.browse(path))
        refresh();
}

void CCertOptionsDlg::edit()
{
    m_options.edit();
    refresh();
    m_text->setFocus();
}

void CCertOptionsDlg::save()
{
    m_options.setText(m_text->toPlainText());
    if (m_options.save() == CertificateOptions::SaveResult::NeedsPath) {
        saveAs();
        return;
    }
    if (!m_options.editing())
        refresh();
}

void CCertOptionsDlg::saveAs()
{
    m_options.setText(m_text->toPlainText());
    const QString path = m_chooseFile(true, m_options.path());
    if (!path.isEmpty() && m_options.saveAs(path))
        refresh();
}

void CCertOptionsDlg::accept()
{
    if (!m_options.canAccept())
        return;
    m_options.includeBorder = m_border->isChecked();
    m_options.includeDateOfSignature = m_date->isChecked();
    m_options.displayRetsplMessage = m_retspl->isChecked();
    QDialog::accept();
}

} // namespace tonva
