#include "measure/ui/CTempHumidityDlg.h"

#include "platform/ui/OkCancelButtons.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

namespace {

QLineEdit *addField(QGridLayout *grid, int row, const QString &label, const QString &unit,
                    const QString &text, const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    auto *caption = new QLabel(label, parent);
    caption->setBuddy(edit);
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel(unit, parent), row, 2);
    return edit;
}

} // namespace

CTempHumidityDlg::CTempHumidityDlg(const TestConditions &proposed, Interaction &interaction,
                                   QWidget *parent)
    : QDialog(parent), m_interaction(interaction), m_conditions(proposed)
{
    setWindowTitle(QStringLiteral("Temperature / Humidity"));
    const TestConditionsText text = testConditionsText(proposed);
    auto *grid = new QGridLayout;
    m_temperature = addField(grid, 0, QStringLiteral("Temperature:"), QStringLiteral("\u00B0C"),
                             text.temperature, "temperature", this);
    m_pressure = addField(grid, 1, QStringLiteral("Pressure:"), QStringLiteral("in., mm Hg, or kPa"),
                          text.pressure, "pressure", this);
    m_humidity =
        addField(grid, 2, QStringLiteral("Humidity:"), QStringLiteral("%"), text.humidity, "humidity", this);

    QDialogButtonBox *buttons = okCancelButtons(this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

bool CTempHumidityDlg::run(TestConditions &conditions, Interaction &interaction, QWidget *parent)
{
    CTempHumidityDlg dialog(conditions, interaction, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    conditions = dialog.conditions();
    return true;
}

bool CTempHumidityDlg::run(TestSetup &setup, Interaction &interaction, QWidget *parent)
{
    TestConditions conditions{setup.temperature, setup.pressure, setup.humidity};
    if (!run(conditions, interaction, parent))
        return false;
    setup.temperature = conditions.temperature;
    setup.pressure = conditions.pressure;
    setup.humidity = conditions.humidity;
    return true;
}

void CTempHumidityDlg::accept()
{
    const TestConditionsVerdict verdict =
        checkTestConditions({m_temperature->text(), m_pressure->text(), m_humidity->text()});
    if (!verdict.accepted) {
        m_interaction.message(verdict.message);
        return;
    }
    m_conditions = verdict.conditions;
    QDialog::accept();
}

} // namespace tonva
