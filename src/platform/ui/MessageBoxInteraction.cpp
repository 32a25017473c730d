#include "platform/ui/MessageBoxInteraction.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QProgressDialog>

namespace tonva {

namespace {

QMessageBox::StandardButtons standardButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return QMessageBox::Ok;
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// Closing the box with Escape or the title bar's button gives the answer that changes least.
Answer escapeAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    }
    return Answer::Cancel;
}

Answer answerOf(int button, Buttons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return escapeAnswer(buttons);
    }
}

QMessageBox::Icon iconFor(Buttons buttons)
{
    return buttons == Buttons::Ok ? QMessageBox::Information : QMessageBox::Question;
}

class DialogProgress final : public Progress
{
public:
    DialogProgress(QWidget *parent, const QString &caption, int rangeLow, int rangeHigh, int stepSize)
        : m_dialog(new QProgressDialog(parent)), m_step(stepSize)
    {
        m_dialog->setObjectName(QLatin1String(MessageBoxInteraction::kProgressName));
        m_dialog->setWindowTitle(caption);
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setRange(rangeLow, rangeHigh);
        m_dialog->setValue(rangeLow);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumDuration(0);
        m_dialog->setMinimumWidth(360);
        // Cancel only raises the flag: the dialog stays up until the measurement has noticed and
        // ended, so the technician sees it wind down.
        QObject::disconnect(m_dialog, &QProgressDialog::canceled, nullptr, nullptr);
        QObject::connect(m_dialog, &QProgressDialog::canceled, m_dialog, [this] { m_cancelled = true; });
        m_dialog->show();
        QCoreApplication::processEvents();
    }

    ~DialogProgress() override
    {
        if (m_dialog) {
            m_dialog->hide();
            delete m_dialog.data();
        }
    }

    void setStatus(const QString &text) override
    {
        if (m_dialog)
            m_dialog->setLabelText(text);
    }

    void setPosition(int position) override
    {
        if (m_dialog)
            m_dialog->setValue(position);
    }

    void step() override
    {
        if (!m_dialog)
            return;
        int next = m_dialog->value() + m_step;
        if (next > m_dialog->maximum())
            next = m_dialog->minimum();
        m_dialog->setValue(next);
    }

    bool checkCancel() override
    {
        QCoreApplication::processEvents();
        const bool cancelled = m_cancelled;
        m_cancelled = false;
        return cancelled;
    }

private:
    QPointer<QProgressDialog> m_dialog;
    int m_step;
    bool m_cancelled = false;
};

} // namespace

MessageBoxInteraction::MessageBoxInteraction(QWidget *parent) : m_parent(parent)
{}

Answer MessageBoxInteraction::exec(const QString &text, Buttons buttons, const QString &checkBoxText,
                                   bool *checked)
{
    QMessageBox box(iconFor(buttons), QApplication::applicationDisplayName(), text, standardButtons(buttons),
                    m_parent);
    box.setObjectName(QLatin1String(kBoxName));
    box.setTextFormat(Qt::PlainText);
    QCheckBox *checkBox = nullptr;
    if (checked) {
        checkBox = new QCheckBox(checkBoxText, &box);
        checkBox->setChecked(*checked);
        box.setCheckBox(checkBox);
    }
    const int button = box.exec();
    if (checked)
        *checked = checkBox->isChecked();
    return answerOf(button, buttons);
}

void MessageBoxInteraction::message(const QString &text)
{
    exec(text, Buttons::Ok, {}, nullptr);
}

Answer MessageBoxInteraction::ask(const QString &text, Buttons buttons)
{
    return exec(text, buttons, {}, nullptr);
}

Answer MessageBoxInteraction::askToSet(const QString &text, const Stimulus &, Buttons buttons)
{
    return exec(text, buttons, {}, nullptr);
}

Answer MessageBoxInteraction::askWithCheckBox(const QString &text, Buttons buttons,
                                              const QString &checkBoxText, bool &checked)
{
    return exec(text, buttons, checkBoxText, &checked);
}

Answer MessageBoxInteraction::askTestConditions(TestConditions &conditions)
{
    if (!m_conditionsDialog)
        return Interaction::askTestConditions(conditions);
    return m_conditionsDialog(conditions, m_parent) ? Answer::Ok : Answer::Cancel;
}

std::unique_ptr<Progress> MessageBoxInteraction::openProgress(const QString &caption, int rangeLow,
                                                              int rangeHigh, int step)
{
    return std::make_unique<DialogProgress>(m_parent, caption, rangeLow, rangeHigh, step);
}

} // namespace tonva
