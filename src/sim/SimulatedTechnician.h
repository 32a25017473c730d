#pragma once

#include "measure/TestConditions.h"
#include "platform/Interaction.h"

#include <QHash>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace tonva {

class SimulatedAudiometer;

// Whether a question offers to try something again (the meter is not ready, a download failed,
// measure again?) and so may be given up on, or asks for a decision that stays the same however
// often it comes (save the readings?).
enum class QuestionKind
{
    Retry,
    Decision
};

// How the technician answers one kind of question: the question is recognised by a piece of its
// text; `answers` are given in turn each time it comes again for the same setting of the
// audiometer, the last one from then on (so "Yes" then "No" tries once more, then moves on).
struct AnswerRule
{
    QString textContains;
    std::vector<Answer> answers;
    QuestionKind kind = QuestionKind::Retry;
};

// A careful technician for demonstrations: sets the simulated audiometer as every "Set ..." prompt
// asks before pressing OK, answers questions from a table of rules, reads every message, never
// cancels a progress dialog unless told to, and never blocks. Everything shown and answered goes
// into a transcript.
//
// The technician does not retry for ever. A retry question (known or not) that comes back more
// than kRetriesWithoutProgress times without progress is answered Cancel instead of being tried
// again, and so is every retry question after it until progress: a meter that has gone away ends
// the measurement instead of looping. Progress is a "Set ..." prompt after a setting that was not
// stopped with Cancel; it forgives every earlier repeat, so a flaky line that fails now and then is
// retried as often as it fails. Moving on to the next frequency ("No") is not stopping.
class SimulatedTechnician final : public Interaction
{
public:
    explicit SimulatedTechnician(SimulatedAudiometer &audiometer,
                                 std::vector<AnswerRule> rules = defaultRules());

    // The answers a careful technician gives to the questions the measurement pages ask.
    static std::vector<AnswerRule> defaultRules();
    // Takes precedence over the rules already held.
    void addRule(AnswerRule rule);

    // Progress dialogs opened from now on report Cancel after this many checks (-1: never).
    void cancelProgressAfterChecks(int checks) { m_cancelAfterChecks = checks; }
    // What the thermometer, barometer and hygrometer of the room read; the technician types these
    // into the test conditions dialog. Without them the proposed values are accepted as they stand.
    void setRoomConditions(std::optional<TestConditions> room) { m_room = room; }
    // Times the test conditions dialog was answered.
    int conditionsAsked() const { return m_conditionsAsked; }

    const QStringList &transcript() const { return m_transcript; }
    // Called with every line as it is added to the transcript (progress status lines excepted).
    void setEcho(std::function<void(const QString &line)> echo) { m_echo = std::move(echo); }
    // Questions no rule knew; they were answered with the first button.
    const QStringList &unknownQuestions() const { return m_unknown; }
    // Stimuli the audiometer could not produce; each was answered with Cancel.
    int failedStimuli() const { return m_failedStimuli; }
    // Retry questions cancelled because they kept coming back without progress.
    int givenUp() const { return m_givenUp; }

    // How often a retry question is answered by its rule with no progress in between; the next
    // time it comes, it is cancelled.
    static constexpr int kRetriesWithoutProgress = 2;

    void message(const QString &text) override;
    Answer ask(const QString &text, Buttons buttons) override;
    Answer askToSet(const QString &text, const Stimulus &stimulus,
                    Buttons buttons = Buttons::OkCancel) override;
    std::unique_ptr<Progress> openProgress(const QString &caption, int rangeLow, int rangeHigh,
                                           int step) override;
    // Enters the room's conditions (or keeps the proposed ones) and presses OK; values the dialog
    // would refuse are read out as its message and the dialog is cancelled, since nothing the
    // technician could honestly type would pass.
    Answer askTestConditions(TestConditions &conditions) override;

private:
    Answer answerFor(const QString &text, Buttons buttons, QString *note);
    // The rule's answer to a retry question, or Cancel when it is time to give up on it.
    Answer retryAnswer(const QString &key, Answer ruled, Buttons buttons, QString *note);
    void record(const QString &kind, const QString &text, const QString &answer);

    struct KnownQuestion
    {
        AnswerRule rule;
        // Times the rule has answered since the audiometer was last set.
        int timesAsked = 0;
    };

    SimulatedAudiometer &m_audiometer;
    std::vector<KnownQuestion> m_questions;
    QStringList m_transcript;
    std::function<void(const QString &)> m_echo;
    QStringList m_unknown;
    int m_givenUp = 0;
    // Retry questions asked since the last progress, by rule or by the question's wording.
    QHash<QString, int> m_retriesAsked;
    // After one give-up every retry question is cancelled until progress.
    bool m_wary = false;
    bool m_gaveUpInThisSetting = false;
    int m_failedStimuli = 0;
    int m_cancelAfterChecks = -1;
    std::optional<TestConditions> m_room;
    int m_conditionsAsked = 0;
};

} // namespace tonva
