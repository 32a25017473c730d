#include "app/ui/CSaveNowDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

CSaveNowDlg::CSaveNowDlg(PreferenceStore &store, QWidget *parent) : QDialog(parent), m_store(store)
{
    setWindowTitle(QStringLiteral("Save Data"));
    auto *question = new QLabel(QStringLiteral("Save all current results?"), this);
    QFont bold = question->font();
    bold.setBold(true);
    question->setFont(bold);

    auto *save = new QPushButton(QStringLiteral("Save"), this);
    auto *later = new QPushButton(QStringLiteral("Save Later"), this);
    save->setObjectName(QStringLiteral("saveButton"));
    later->setObjectName(QStringLiteral("saveLaterButton"));
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, [this] { answer(SaveNowButton::Save); });
    connect(later, &QPushButton::clicked, this, [this] { answer(SaveNowButton::SaveLater); });

    m_alwaysUse = new QCheckBox(QStringLiteral("Close dialog and always\n use the clicked result."), this);
    m_alwaysUse->setObjectName(QStringLiteral("alwaysUse"));
    m_alwaysUse->setChecked(saveNowAlwaysUseInitially(store));
    auto *note =
        new QLabel(QStringLiteral("You may reenable this dialog under the Test->Preferences menu."), this);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(later);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addSpacing(8);
    layout->addWidget(m_alwaysUse);
    layout->addWidget(note);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool CSaveNowDlg::ask(PreferenceStore &store, QWidget *parent)
{
    CSaveNowDlg dialog(store, parent);
    return dialog.exec() == QDialog::Accepted;
}

void CSaveNowDlg::answer(SaveNowButton button)
{
    const bool save = applySaveNowChoice(m_store, button, m_alwaysUse->isChecked());
    done(save ? QDialog::Accepted : QDialog::Rejected);
}

} // namespace tonva
