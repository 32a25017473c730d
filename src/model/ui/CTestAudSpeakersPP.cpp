#include "model/ui/CTestAudSpeakersPP.h"

#include "model/FixedText.h"
#include "model/TestSetup.h"
#include "model/ui/SetupForm.h"

#include <QFont>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tonva {

using setupform::textField;

CTestAudSpeakersPP::CTestAudSpeakersPP(SetupContext &context, QWidget *parent) : SetupPage(context, parent)
{
    setObjectName(QStringLiteral("CTestAudSpeakersPP"));
    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(QStringLiteral("Speakers"), this);
    heading->setObjectName(QStringLiteral("titleLabel"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    layout->addWidget(buildSide(QStringLiteral("Left Speaker"), QStringLiteral("left"), m_left));
    layout->addWidget(buildSide(QStringLiteral("Right Speaker"), QStringLiteral("right"), m_right));
    layout->addStretch(1);

    // Filled at once, so a page that is collected before anyone loads it writes back what it holds.
    CTestAudSpeakersPP::load();
}

QWidget *CTestAudSpeakersPP::buildSide(const QString &title, const QString &side, Fields &fields)
{
    auto *box = new QGroupBox(title, this);
    auto *form = new QFormLayout(box);
    const SpeakerData &speaker = m_context.working.leftSpeaker;
    fields.manufacturer = textField(qPrintable(side + QStringLiteral("ManufacturerEdit")),
                                    int(sizeof speaker.manufacturer) - 1, box);
    fields.model =
        textField(qPrintable(side + QStringLiteral("ModelEdit")), int(sizeof speaker.model) - 1, box);
    fields.serial =
        textField(qPrintable(side + QStringLiteral("SerialEdit")), int(sizeof speaker.serialNumber) - 1, box);
    form->addRow(QStringLiteral("Manufacturer"), fields.manufacturer);
    form->addRow(QStringLiteral("Model"), fields.model);
    form->addRow(QStringLiteral("Serial Number"), fields.serial);
    return box;
}

void CTestAudSpeakersPP::show(const SpeakerData &speaker, const Fields &fields)
{
    fields.manufacturer->setText(displayText(speaker.manufacturer));
    fields.model->setText(displayText(speaker.model));
    fields.serial->setText(displayText(speaker.serialNumber));
}

void CTestAudSpeakersPP::take(SpeakerData &speaker, const Fields &fields)
{
    setupform::collectText(speaker.manufacturer, fields.manufacturer);
    setupform::collectText(speaker.model, fields.model);
    setupform::collectText(speaker.serialNumber, fields.serial);
}

void CTestAudSpeakersPP::load()
{
    show(m_context.working.leftSpeaker, m_left);
    show(m_context.working.rightSpeaker, m_right);
}

void CTestAudSpeakersPP::collect()
{
    take(m_context.working.leftSpeaker, m_left);
    take(m_context.working.rightSpeaker, m_right);
}

} // namespace tonva
