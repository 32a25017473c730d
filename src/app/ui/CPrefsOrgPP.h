#pragma once

#include "app/Preferences.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QLineEdit;

namespace tonva {

// The "Organization" page: the calibration organisation's name, two heading lines and the six
// display and saving choices. It edits `settings`, which the preferences view applies on Ok.
class CPrefsOrgPP : public QWidget
{
    Q_OBJECT
public:
    explicit CPrefsOrgPP(OrganizationSettings &settings, QWidget *parent = nullptr);

    // Copies the fields into the settings.
    void collect();

private:
    OrganizationSettings &m_settings;
    QLineEdit *m_name;
    QLineEdit *m_header1;
    QLineEdit *m_header2;
    std::array<QCheckBox *, kDisplayOptionCount> m_options{};
};

} // namespace tonva
