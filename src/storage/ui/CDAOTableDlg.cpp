#include "storage/ui/CDAOTableDlg.h"

#include "platform/ui/OkCancelButtons.h"
#include "storage/DatabaseFile.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

CDAOTableDlg::CDAOTableDlg(const QString &proposedPath, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Change Database"));
    m_path = new QLineEdit(QDir::toNativeSeparators(proposedPath), this);
    m_path->setObjectName(QStringLiteral("databasePath"));
    m_path->setMaxLength(DatabasePath::kMaxLength);
    m_path->setMinimumWidth(420);
    auto *browse = new QPushButton(QStringLiteral("Browse..."), this);
    browse->setObjectName(QStringLiteral("browseButton"));
    connect(browse, &QPushButton::clicked, this, &CDAOTableDlg::browse);

    QDialogButtonBox *buttons = okCancelButtons(this);
    // Nothing to open until a path is there.
    const auto enableOk = [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!m_path->text().trimmed().isEmpty());
    };
    connect(m_path, &QLineEdit::textChanged, this, enableOk);
    enableOk();

    auto *row = new QHBoxLayout;
    row->addWidget(m_path, 1);
    row->addWidget(browse);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Database file (a new name creates a new database):"), this));
    layout->addLayout(row);
    layout->addWidget(buttons);
}

QString CDAOTableDlg::chosenPath() const
{
    return QDir::fromNativeSeparators(m_path->text().trimmed());
}

std::optional<QString> CDAOTableDlg::choose(const QString &proposedPath, QWidget *parent)
{
    CDAOTableDlg dialog(proposedPath, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenPath();
}

void CDAOTableDlg::accept()
{
    if (chosenPath().isEmpty())
        return;
    QDialog::accept();
}

void CDAOTableDlg::browse()
{
    const QFileInfo current(chosenPath());
    QFileDialog chooser(this, QStringLiteral("Database"), current.absolutePath());
    // Open mode that still takes a new name: the document asks before it creates anything.
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::AnyFile);
    chooser.setNameFilters({QStringLiteral("SQLite Database Files (*%1)").arg(DatabasePath::extension()),
                            QStringLiteral("All Files (*)")});
    chooser.selectFile(current.fileName());
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
        m_path->setText(QDir::toNativeSeparators(chooser.selectedFiles().constFirst()));
}

} // namespace tonva
