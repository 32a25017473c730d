#include "sim/SimulatedTechnician.h"

#include "sim/SimulatedAudiometer.h"

#include <QRegularExpression>

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

// A question nobody foresaw is known by its wording without the figures in it, which change
// from one asking to the next ("High - Low = 37.74").
QString unknownQuestionKey(const QString &text)
{
    static const QRegularExpression figures(QStringLiteral("[-+]?[0-9][0-9.,]*"));
    return QString(text).replace(figures, QStringLiteral("#"));
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
    constexpr QuestionKind decision = QuestionKind::Decision;
    return {
        // Readings taken are worth keeping.
        {QStringLiteral("Do you wish to save your new readings?"), {Yes}, decision},
        // One more try, then move on: a second failure at the same setting is not chance.
        {QStringLiteral("Would you like to measure again"), {Yes, No}},
        {QStringLiteral("Try again?"), {Yes, No}},
        {QStringLiteral("Start 'Measure All' from the beginning"), {Yes}, decision},
        // Check the cable and retry twice before giving up on the meter.
        {QStringLiteral("Communication with the Trellan failed"), {Ok, Ok, Cancel}},
        {QStringLiteral("Could not set the Trellan properly"), {Ok, Ok, Cancel}},
        {QStringLiteral("Unable to retrieve data from the Trellan"), {Ok, Ok, Cancel}},
        // Retried until they keep coming back without progress.
        {QStringLiteral("Could not download data from Trellan"), {Ok}},
        {QStringLiteral("The Trellan is not ready!"), {Ok}},
        {QStringLiteral("An Error occurred in the port connection to the Trellan"), {Ok}},
        {QStringLiteral("No grid corrections have been entered"), {Ok}, decision},
        // A level that never holds still is left as it is; the next one may.
        {QStringLiteral("Failed to get a good reading after 5 tries"), {Ok}, decision},
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
    QString note;
    const Answer answer = answerFor(text, buttons, &note);
    record(QStringLiteral("ask"), text, note.isEmpty() ? answerName(answer) : answerName(answer) + note);
    return answer;
}

Answer SimulatedTechnician::askToSet(const QString &text, const Stimulus &stimulus, Buttons buttons)
{
    for (KnownQuestion &question : m_questions)
        question.timesAsked = 0;
    // A setting that was given up on is no progress: the page merely moved on.
    if (!m_gaveUpInThisSetting) {
        m_retriesAsked.clear();
        m_wary = false;
    }
    m_gaveUpInThisSetting = false;
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

Answer SimulatedTechnician::answerFor(const QString &text, Buttons buttons, QString *note)
{
    for (KnownQuestion &question : m_questions) {
        const AnswerRule &rule = question.rule;
        if (rule.answers.empty() || !text.contains(rule.textContains, Qt::CaseInsensitive))
            continue;
        const std::size_t turn =
            std::min<std::size_t>(static_cast<std::size_t>(question.timesAsked++), rule.answers.size() - 1);
        const Answer answer = rule.answers[turn];
        if (rule.kind == QuestionKind::Decision)
            return fitToButtons(answer, buttons);
        return retryAnswer(rule.textContains, answer, buttons, note);
    }
    m_unknown.append(text);
    // Whatever it asks, the first button goes on; such a question is given up on like any retry.
    return retryAnswer(unknownQuestionKey(text), firstButton(buttons), buttons, note);
}

Answer SimulatedTechnician::retryAnswer(const QString &key, Answer ruled, Buttons buttons, QString *note)
{
    const bool exhausted = ++m_retriesAsked[key] > kRetriesWithoutProgress || m_wary;
    const bool retries = ruled == Answer::Ok || ruled == Answer::Yes;
    if (retries && exhausted) {
        *note = QStringLiteral(" (giving up: asked again without progress)");
        ++m_givenUp;
        ruled = Answer::Cancel;
    }
    // Moving on ("No") is no give-up; stopping is, whoever decided it.
    if (ruled == Answer::Cancel)
        m_wary = m_gaveUpInThisSetting = true;
    return fitToButtons(ruled, buttons);
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
