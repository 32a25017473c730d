#include "sim/SimulatedTechnician.h"

#include "sim/SimulatedAudiometer.h"

namespace tonva {

namespace {

bool offers(Buttons buttons, Answer answer)
{
    switch (buttons) {
    case Buttons::Ok:
        return answer == Answer::Ok;
    case Buttons::OkCancel:
        return answer == Answer::Ok || answer == Answer::Cancel;
    case Buttons::YesNo:
        return answer == Answer::Yes || answer == Answer::No;
    case Buttons::YesNoCancel:
        return answer != Answer::Ok;
    }
    return false;
}

Answer firstButton(Buttons buttons)
{
    return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
}

// A rule written for Yes/No still means the same on an OK/Cancel box, and the other way round.
Answer fitToButtons(Answer answer, Buttons buttons)
{
    if (offers(buttons, answer))
        return answer;
    switch (answer) {
    case Answer::Ok:
        return offers(buttons, Answer::Yes) ? Answer::Yes : answer;
    case Answer::Yes:
        return offers(buttons, Answer::Ok) ? Answer::Ok : answer;
    case Answer::No:
        return Answer::Cancel;
    case Answer::Cancel:
        return offers(buttons, Answer::No) ? Answer::No : answer;
    }
    return answer;
}

// Progress that the technician watches: statuses go into the transcript; Cancel only on request.
class WatchedProgress final : public Progress
{
public:
    WatchedProgress(QStringList &transcript, int cancelAfterChecks)
        : m_transcript(transcript), m_checksLeft(cancelAfterChecks)
    {}

    void setStatus(const QString &text) override
    {
        if (text != m_lastStatus)
            m_transcript.append(QStringLiteral("  progress: %1").arg(text));
        m_lastStatus = text;
    }
    void setPosition(int) override {}
    void step() override {}
    bool checkCancel() override
    {
        if (m_checksLeft < 0)
            return false;
        if (m_checksLeft == 0) {
            if (!m_cancelled)
                m_transcript.append(QStringLiteral("  progress: Cancel pressed"));
            m_cancelled = true;
            return true;
        }
        --m_checksLeft;
        return false;
    }

private:
    QStringList &m_transcript;
    QString m_lastStatus;
    int m_checksLeft;
    bool m_cancelled = false;
};

} // namespace

SimulatedTechnician::SimulatedTechnician(SimulatedAudiometer &audiometer, std::vector<AnswerRule> rules)
    : m_audiometer(audiometer)
{
    for (AnswerRule &rule : rules)
        m_questions.push_back({std::move(rule)});
}

std::vector<AnswerRule> SimulatedTechnician::defaultRules()
{
    using enum Answer;
    return {
        // Readings taken are worth keeping.
        {QStringLiteral("Do you wish to save your new readings?"), {Yes}},
        // One more try, then move on: a second failure at the same setting is not chance.
        {QStringLiteral("Would you like to measure again"), {Yes, No}},
        {QStringLiteral("Try again?"), {Yes, No}},
        {QStringLiteral("Start 'Measure All' from the beginning"), {Yes}},
        // Check the cable and retry twice before giving up on the meter.
        {QStringLiteral("Communication with the Trellan failed"), {Ok, Ok, Cancel}},
        {QStringLiteral("Could not set the Trellan properly"), {Ok, Ok, Cancel}},
        {QStringLiteral("Unable to retrieve data from the Trellan"), {Ok, Ok, Cancel}},
        {QStringLiteral("No grid corrections have been entered"), {Ok}},
    };
}

void SimulatedTechnician::addRule(AnswerRule rule)
{
    m_questions.insert(m_questions.begin(), {std::move(rule)});
}

void SimulatedTechnician::message(const QString &text)
{
    record(QStringLiteral("message"), text, answerName(Answer::Ok));
}

Answer SimulatedTechnician::ask(const QString &text, Buttons buttons)
{
    const Answer answer = answerFor(text, buttons);
    record(QStringLiteral("ask"), text, answerName(answer));
    return answer;
}

Answer SimulatedTechnician::askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons)
{
    for (KnownQuestion &question : m_questions)
        question.timesAsked = 0;
    QString why;
    if (!m_audiometer.apply(stimulus, &why)) {
        ++m_failedStimuli;
        const Answer answer = fitToButtons(Answer::Cancel, buttons);
        record(QStringLiteral("set"), text, QStringLiteral("%1 (cannot: %2)").arg(answerName(answer), why));
        return answer;
    }
    const Answer answer = firstButton(buttons);
    record(QStringLiteral("set"), text, answerName(answer));
    return answer;
}

std::unique_ptr<Progress> SimulatedTechnician::openProgress(const QString &caption, int, int, int)
{
    m_transcript.append(QStringLiteral("[progress] %1").arg(caption));
    return std::make_unique<WatchedProgress>(m_transcript, m_cancelAfterChecks);
}

Answer SimulatedTechnician::answerFor(const QString &text, Buttons buttons)
{
    for (KnownQuestion &question : m_questions) {
        const AnswerRule &rule = question.rule;
        if (rule.answers.empty() || !text.contains(rule.textContains, Qt::CaseInsensitive))
            continue;
        const std::size_t turn =
            std::min<std::size_t>(static_cast<std::size_t>(question.timesAsked++), rule.answers.size() - 1);
        return fitToButtons(rule.answers[turn], buttons);
    }
    m_unknown.append(text);
    return firstButton(buttons);
}

void SimulatedTechnician::record(const QString &kind, const QString &text, const QString &answer)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QLatin1String("\n        "));
    m_transcript.append(QStringLiteral("[%1] %2  => %3").arg(kind, shown, answer));
    if (m_echo)
        m_echo(m_transcript.constLast());
}

} // namespace tonva
