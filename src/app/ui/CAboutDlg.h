#pragma once

#include "app/CVemoraApp.h"

#include <QDialog>

namespace tonva {

// Help > About Tonva: the version, the standards the program checks against and, in the alternate
// regional mode, the quality-assurance reference that mode follows.
class CAboutDlg final : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(RegionalMode mode, QWidget *parent = nullptr);

    static QString versionText();
    // The lines under the version, in order.
    static QStringList standardsLines(RegionalMode mode);
};

} // namespace tonva
