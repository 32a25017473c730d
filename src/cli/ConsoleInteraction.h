#pragma once

#include "platform/Interaction.h"

namespace tonva::cli {

// The technician's side of a run without windows: messages go to standard error, and a question
// takes its safe answer (Cancel, or No) because nobody is there to press OK.
class ConsoleInteraction final : public Interaction
{
public:
    explicit ConsoleInteraction(bool verbose = false) : m_verbose(verbose) {}

    void message(const QString &text) override;
    Answer ask(const QString &text, Buttons buttons) override;
    Answer askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons) override;
    std::unique_ptr<Progress> openProgress(const QString &caption, int rangeLow, int rangeHigh,
                                           int step) override;

private:
    bool m_verbose;
};

} // namespace tonva::cli
