#pragma once

#include "platform/Interaction.h"

namespace tonva::cli {

// The technician's side of a command without windows: messages and questions go to standard error
// with the answer taken, since nobody is there to press a button.
class ConsoleInteraction final : public Interaction
{
public:
    // The answer every question gets.
    enum class Answers
    {
        // Cancel, or No: a measurement nobody watches must not go on with what it was unsure of.
        Decline,
        // OK, or Yes: a command that was asked to do the work (a conversion) does it, and keeps the
        // old file when asked whether to.
        Accept,
    };

    explicit ConsoleInteraction(Answers answers = Answers::Decline, bool verbose = false)
        : m_answers(answers), m_verbose(verbose)
    {}

    void message(const QString &text) override;
    Answer ask(const QString &text, Buttons buttons) override;
    Answer askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons) override;
    std::unique_ptr<Progress> openProgress(const QString &caption, int rangeLow, int rangeHigh,
                                           int step) override;

private:
    Answers m_answers;
    bool m_verbose;
};

} // namespace tonva::cli
