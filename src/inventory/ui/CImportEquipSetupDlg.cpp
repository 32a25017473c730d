#include "inventory/ui/CImportEquipSetupDlg.h"

#include "platform/PreferenceIndex.h"
#include "platform/PreferenceStore.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tonva {

CImportEquipSetupDlg::CImportEquipSetupDlg(const PreferenceStore &preferences, InstrumentKind kind, QWidget *parent)
    : QDialog(parent), m_kind(kind)
{
    setWindowTitle(QStringLiteral("Import Setup"));
    m_path = new QLineEdit(preferences.read(preference::ImportFilePathname), this);
    m_path->setObjectName(QStringLiteral("importPath"));
    m_path->setMinimumWidth(360);
    auto *browseButton = new QPushButton(QStringLiteral("Browse..."), this);
    connect(browseButton, &QPushButton::clicked, this, &CImportEquipSetupDlg::browse);
    auto *delimiter = new QGroupBox(QStringLiteral("Delimiter"), this);
    m_comma = new QRadioButton(QStringLiteral("Comma"), delimiter);
    m_tab = new QRadioButton(QStringLiteral("Tab"), delimiter);
    m_tab->setObjectName(QStringLiteral("importTab"));
    (preferences.read(preference::ImportDelimiter) != 0 ? m_tab : m_comma)->setChecked(true);
    auto *delimiterLayout = new QHBoxLayout(delimiter);
    delimiterLayout->addWidget(m_comma);
    delimiterLayout->addWidget(m_tab);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(browseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Setup file:"), this));
    layout->addLayout(pathRow);
    layout->addWidget(delimiter);
    layout->addWidget(buttons);
}

QString CImportEquipSetupDlg::path() const
{
    return m_path->text().trimmed();
}

bool CImportEquipSetupDlg::tabDelimited() const
{
    return m_tab->isChecked();
}

void CImportEquipSetupDlg::remember(PreferenceStore &preferences) const
{
    preferences.write(preference::ImportFilePathname, path());
    preferences.write(preference::ImportDelimiter, tabDelimited() ? 1 : 0);
}

void CImportEquipSetupDlg::browse()
{
    const bool microphone = m_kind == InstrumentKind::Microphone;
    const QString title = microphone ? QStringLiteral("Select Microphone Response Data file")
                                     : QStringLiteral("Select Mastoid Certification/Data file");
    const QString filters = microphone ? QStringLiteral("Data File (*.csv);;Cert Files (*.xls);;All Files (*)")
                                       : QStringLiteral("Data Files (*.csv);;Cert Files (*.xls);;All Files (*)");
    const QString chosen = QFileDialog::getOpenFileName(this, title, path(), filters);
    if (!chosen.isEmpty())
        m_path->setText(chosen);
}

CSelectCoupler::CSelectCoupler(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Select Coupler"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The responses in the file were measured on:"), this));
    const MastoidCoupler couplers[] = {MastoidCoupler::Kestin, MastoidCoupler::Lorvat, MastoidCoupler::Pendry};
    for (int i = 0; i < 3; ++i) {
        m_choices[i] = new QRadioButton(couplerName(couplers[i]), this);
        layout->addWidget(m_choices[i]);
    }
    m_choices[0]->setChecked(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

MastoidCoupler CSelectCoupler::coupler() const
{
    for (int i = 0; i < 3; ++i) {
        if (m_choices[i]->isChecked())
            return static_cast<MastoidCoupler>(i + 1);
    }
    return MastoidCoupler::Kestin;
}

} // namespace tonva
