#pragma once

#include "platform/Interaction.h"

#include <gtest/gtest.h>
#include <memory>

namespace tonva::test {

// Answers like the careful technician until the n-th "Set ..." prompt, which it cancels; a prompt
// after that Cancel fails the test.
class CancelAtSet final : public Interaction
{
public:
    CancelAtSet(Interaction &inner, int cancelAt) : m_inner(inner), m_cancelAt(cancelAt) {}
    void message(const QString &text) override { m_inner.message(text); }
    Answer ask(const QString &text, Buttons buttons) override
    {
        ++asked;
        return m_inner.ask(text, buttons);
    }
    Answer askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons) override
    {
        ++asked;
        ++sets;
        EXPECT_LE(sets, m_cancelAt) << "asked again after Cancel: " << text.toStdString();
        return sets == m_cancelAt ? Answer::Cancel : m_inner.askToSet(text, stimulus, buttons);
    }
    std::unique_ptr<Progress> openProgress(const QString &caption, int low, int high, int step) override
    {
        return m_inner.openProgress(caption, low, high, step);
    }
    // Questions and "Set ..." prompts together, and the prompts alone.
    int asked = 0;
    int sets = 0;

private:
    Interaction &m_inner;
    int m_cancelAt;
};

} // namespace tonva::test
