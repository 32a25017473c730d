#pragma once

#include "platform/Interaction.h"

#include <memory>

namespace tonva::bench {

// Nobody answers during a benchmark: nothing is shown, every question is declined.
class QuietInteraction final : public Interaction
{
public:
    void message(const QString &) override {}
    Answer ask(const QString &, Buttons) override { return Answer::No; }
    Answer askToSet(const QString &, const Stimulus &, Buttons) override { return Answer::Cancel; }
    std::unique_ptr<Progress> openProgress(const QString &, int, int, int) override
    {
        return std::make_unique<SilentProgress>();
    }
};

} // namespace tonva::bench
