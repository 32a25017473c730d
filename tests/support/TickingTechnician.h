#pragma once

#include "support/ScriptedInteraction.h"

#include <memory>

namespace tonva::test {

// A technician who ticks "Do not show this dialog again." before answering from the script, and
// remembers which boxes were offered.
class TickingTechnician final : public Interaction
{
public:
    explicit TickingTechnician(ScriptedInteraction &script) : m_script(script) {}
    void message(const QString &text) override { m_script.message(text); }
    Answer ask(const QString &text, Buttons buttons) override { return m_script.ask(text, buttons); }
    Answer askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons) override
    {
        return m_script.askToSet(text, stimulus, buttons);
    }
    std::unique_ptr<Progress> openProgress(const QString &caption, int low, int high, int step) override
    {
        return m_script.openProgress(caption, low, high, step);
    }
    Answer askWithCheckBox(const QString &text, Buttons buttons, const QString &box, bool &checked) override
    {
        boxes << box;
        checked = true;
        return m_script.ask(text, buttons);
    }
    QStringList boxes;

private:
    ScriptedInteraction &m_script;
};

} // namespace tonva::test
