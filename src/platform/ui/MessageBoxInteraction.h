#pragma once

#include "platform/Interaction.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace tonva {

// The technician at the screen: message boxes with the program's exact texts and button sets, and a
// window-modal progress dialog whose Cancel the running measurement reads at its next check.
class MessageBoxInteraction final : public Interaction
{
public:
    explicit MessageBoxInteraction(QWidget *parent = nullptr);

    // The window the boxes belong to (the main window once it exists).
    void setParentWidget(QWidget *parent) { m_parent = parent; }
    QWidget *parentWidget() const { return m_parent; }

    void message(const QString &text) override;
    Answer ask(const QString &text, Buttons buttons) override;
    Answer askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons) override;
    std::unique_ptr<Progress> openProgress(const QString &caption, int rangeLow, int rangeHigh,
                                           int step) override;
    Answer askWithCheckBox(const QString &text, Buttons buttons, const QString &checkBoxText,
                           bool &checked) override;
    // Shows the dialog handed in with setTestConditionsDialog(); without one, the proposed values
    // stand as they would for any interaction that has no such dialog.
    Answer askTestConditions(TestConditions &conditions) override;

    // The "Temperature / Humidity" dialog belongs to the measurement windows, which this layer does
    // not know; the program hands it in. It returns true on OK with the accepted values.
    using TestConditionsDialog = std::function<bool(TestConditions &conditions, QWidget *parent)>;
    void setTestConditionsDialog(TestConditionsDialog dialog) { m_conditionsDialog = std::move(dialog); }

    // The object name every box gets, so tests and tools can find the box that is showing.
    static constexpr const char *kBoxName = "tonvaMessageBox";
    static constexpr const char *kProgressName = "tonvaProgress";

private:
    Answer exec(const QString &text, Buttons buttons, const QString &checkBoxText, bool *checked);

    QPointer<QWidget> m_parent;
    TestConditionsDialog m_conditionsDialog;
};

} // namespace tonva
