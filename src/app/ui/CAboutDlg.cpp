#include "app/ui/CAboutDlg.h"

#include "platform/TextFormat.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tonva {

QString CAboutDlg::versionText()
{
    return formatText("Version: %.3f", kProgramVersion);
}

QStringList CAboutDlg::standardsLines(RegionalMode mode)
{
    QStringList lines{QStringLiteral("ANSI S3.6 - 2004"), QStringLiteral("ANSI S3.1 - 1999")};
    if (mode == RegionalMode::Alternate)
        lines << QStringLiteral("Quality Assurance of Audiometer Calibration by\n Swedish Audiological Society, 1996");
    return lines;
}

CAboutDlg::CAboutDlg(RegionalMode mode, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("About Tonva"));

    auto *name = new QLabel(QStringLiteral("Tonva"), this);
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.8);
    nameFont.setBold(true);
    name->setFont(nameFont);
    auto *version = new QLabel(versionText(), this);
    version->setObjectName(QStringLiteral("versionLabel"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addSpacing(8);
    int line = 0;
    for (const QString &text : standardsLines(mode)) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QStringLiteral("standardsLine%1").arg(line++));
        layout->addWidget(label);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addSpacing(8);
    layout->addWidget(buttons);
}

} // namespace tonva
