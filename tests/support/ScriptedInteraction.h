#pragma once

#include "measure/TestConditions.h"
#include "platform/Interaction.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace tonva::test {

// Plays the technician from a script: every prompt must be expected, in order, and every expected
// prompt must come. Anything else fails the running test. The transcript keeps all that was shown.
class ScriptedInteraction final : public Interaction
{
public:
    enum class Kind { Message, Ask, AskToSet, TestConditions };

    ~ScriptedInteraction() override;

    // Expect exactly this text.
    ScriptedInteraction &expectMessage(const QString &text);
    ScriptedInteraction &expectAsk(const QString &text, Answer answer);
    ScriptedInteraction &expectAskToSet(const QString &text, Answer answer);
    // Expect a prompt whose text starts with `prefix` (for texts that carry measured numbers).
    ScriptedInteraction &expectMessageStartingWith(const QString &prefix);
    ScriptedInteraction &expectAskStartingWith(const QString &prefix, Answer answer);
    // Expect the test conditions dialog proposing `proposed` (its fields as it opens, e.g. {"23.0",
    // "760.00", "50"}); on OK the technician enters `entered`, or keeps the proposal without it.
    ScriptedInteraction &expectTestConditions(const TestConditionsText &proposed, Answer answer,
                                              std::optional<TestConditions> entered = std::nullopt);

    // Progress dialogs opened from now on report Cancel after this many checks (-1: never).
    void cancelProgressAfterChecks(int checks) { m_cancelAfterChecks = checks; }
    // Called for every "Set ..." prompt with its stimulus, before the scripted answer is given.
    void onStimulus(std::function<void(const Stimulus &)> apply) { m_applyStimulus = std::move(apply); }
    // Runs `action` whenever a prompt starting with `prefix` is shown, before it is answered: what
    // a technician clicking elsewhere in the window while the prompt is up would do.
    void whenPrompted(const QString &prefix, std::function<void()> action)
    {
        m_hooks.push_back({prefix, std::move(action)});
    }

    // Fails the running test when expected prompts are still outstanding.
    void verifyDone();
    bool done() const { return m_expected.empty(); }

    const QStringList &transcript() const { return m_transcript; }
    const QStringList &progressStatuses() const { return m_progressStatuses; }
    const std::vector<Stimulus> &stimuli() const { return m_stimuli; }

    void message(const QString &text) override;
    Answer ask(const QString &text, Buttons buttons) override;
    Answer askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons) override;
    std::unique_ptr<Progress> openProgress(const QString &caption, int rangeLow, int rangeHigh, int step) override;
    Answer askTestConditions(TestConditions &conditions) override;

    // How the test conditions dialog shows in the transcript.
    static QString conditionsText(const TestConditionsText &fields);

private:
    struct Expected
    {
        Kind kind;
        QString text;
        bool prefixOnly;
        Answer answer;
        std::optional<TestConditions> entered = std::nullopt;
    };

    Answer take(Kind kind, const QString &text, std::optional<TestConditions> *entered = nullptr);

    std::deque<Expected> m_expected;
    QStringList m_transcript;
    QStringList m_progressStatuses;
    std::vector<Stimulus> m_stimuli;
    std::function<void(const Stimulus &)> m_applyStimulus;
    std::vector<std::pair<QString, std::function<void()>>> m_hooks;
    int m_cancelAfterChecks = -1;
    bool m_verified = false;
};

} // namespace tonva::test
