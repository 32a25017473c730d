#include "app/ui/CIdleView.h"

#include <QDir>
#include <QLabel>
#include <QVBoxLayout>

namespace tonva {

CIdleView::CIdleView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("idleView"));
    auto *name = new QLabel(QStringLiteral("Tonva"), this);
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 2.5);
    nameFont.setBold(true);
    name->setFont(nameFont);
    name->setEnabled(false); // drawn greyed: the view is empty, the name only tells where one is

    auto *hint = new QLabel(
        QStringLiteral("Choose Test > Audiometer Test... to set up a calibration, or Test > Booth Test... "
                       "to survey a booth."),
        this);
    hint->setEnabled(false);
    m_database = new QLabel(this);
    m_database->setObjectName(QStringLiteral("databaseLine"));
    m_database->setEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(name, 0, Qt::AlignHCenter);
    layout->addWidget(hint, 0, Qt::AlignHCenter);
    layout->addWidget(m_database, 0, Qt::AlignHCenter);
    layout->addStretch();
}

void CIdleView::setDatabasePath(const QString &path)
{
    m_database->setText(path.isEmpty() ? QStringLiteral("No database is open.")
                                       : QStringLiteral("Database: %1").arg(QDir::toNativeSeparators(path)));
}

} // namespace tonva
