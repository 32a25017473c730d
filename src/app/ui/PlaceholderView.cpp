#include "app/ui/PlaceholderView.h"

#include "app/ui/ViewHost.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

QString PlaceholderView::viewTitle(ViewId view)
{
    switch (view) {
    case ViewId::Idle:
        return QStringLiteral("Idle");
    case ViewId::Instruments:
        return QStringLiteral("Instrumentation");
    case ViewId::Preferences:
        return QStringLiteral("Preferences");
    case ViewId::Booth:
        return QStringLiteral("Booth Test");
    case ViewId::TestSetup:
        return QStringLiteral("Audiometer Test Setup");
    case ViewId::Summary:
        return QStringLiteral("Measurement Summary");
    case ViewId::AudTest:
        return QStringLiteral("Audiometer Measurements");
    case ViewId::TestNotes:
        return QStringLiteral("Audiometer Test Notes");
    case ViewId::TestAll:
        return QStringLiteral("Measurement Run");
    }
    return {};
}

QString PlaceholderView::notAvailableText(ViewId view)
{
    return QStringLiteral("The %1 window is not available yet in this version of Tonva.").arg(viewTitle(view));
}

PlaceholderView::PlaceholderView(ViewId view, ViewHost &host, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("placeholderView%1").arg(static_cast<int>(view)));
    auto *title = new QLabel(viewTitle(view), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto *text = new QLabel(notAvailableText(view), this);
    text->setObjectName(QStringLiteral("notAvailableText"));
    text->setWordWrap(true);

    auto *back = new QPushButton(QStringLiteral("Back"), this);
    back->setObjectName(QStringLiteral("backButton"));
    auto *done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("doneButton"));
    // The host may destroy this view; nothing of it is touched after these calls.
    connect(back, &QPushButton::clicked, this, [&host] { host.goBack(); });
    connect(done, &QPushButton::clicked, this, [&host] { host.switchView(ViewId::Idle); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(back);
    buttons->addWidget(done);
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    layout->addStretch();
    layout->addLayout(buttons);
}

} // namespace tonva
