#include "support/ScriptedInteraction.h"

#include <gtest/gtest.h>

namespace tonva::test {

namespace {

const char *kindName(ScriptedInteraction::Kind kind)
{
    switch (kind) {
    case ScriptedInteraction::Kind::Message:
        return "message";
    case ScriptedInteraction::Kind::Ask:
        return "question";
    case ScriptedInteraction::Kind::AskToSet:
        return "set prompt";
    case ScriptedInteraction::Kind::TestConditions:
        return "test conditions dialog";
    }
    return "?";
}

class ScriptedProgress final : public Progress
{
public:
    ScriptedProgress(QStringList &statuses, int cancelAfterChecks)
        : m_statuses(statuses), m_cancelAfterChecks(cancelAfterChecks)
    {
    }

    void setStatus(const QString &text) override { m_statuses.append(text); }
    void setPosition(int) override {}
    void step() override {}
    bool checkCancel() override
    {
        if (m_cancelAfterChecks < 0)
            return false;
        return m_checks++ >= m_cancelAfterChecks;
    }

private:
    QStringList &m_statuses;
    int m_cancelAfterChecks;
    int m_checks = 0;
};

} // namespace

ScriptedInteraction::~ScriptedInteraction()
{
    if (!m_verified)
        verifyDone();
}

ScriptedInteraction &ScriptedInteraction::expectMessage(const QString &text)
{
    m_expected.push_back({Kind::Message, text, false, Answer::Ok});
    return *this;
}

ScriptedInteraction &ScriptedInteraction::expectAsk(const QString &text, Answer answer)
{
    m_expected.push_back({Kind::Ask, text, false, answer});
    return *this;
}

ScriptedInteraction &ScriptedInteraction::expectAskToSet(const QString &text, Answer answer)
{
    m_expected.push_back({Kind::AskToSet, text, false, answer});
    return *this;
}

ScriptedInteraction &ScriptedInteraction::expectMessageStartingWith(const QString &prefix)
{
    m_expected.push_back({Kind::Message, prefix, true, Answer::Ok});
    return *this;
}

ScriptedInteraction &ScriptedInteraction::expectAskStartingWith(const QString &prefix, Answer answer)
{
    m_expected.push_back({Kind::Ask, prefix, true, answer});
    return *this;
}

ScriptedInteraction &ScriptedInteraction::expectTestConditions(const TestConditionsText &proposed,
                                                               Answer answer,
                                                               std::optional<TestConditions> entered)
{
    m_expected.push_back({Kind::TestConditions, conditionsText(proposed), false, answer, entered});
    return *this;
}

QString ScriptedInteraction::conditionsText(const TestConditionsText &fields)
{
    return QStringLiteral("Temperature / Humidity: %1, %2, %3").arg(fields.temperature, fields.pressure,
                                                                     fields.humidity);
}

void ScriptedInteraction::verifyDone()
{
    m_verified = true;
    for (const Expected &e : m_expected)
        ADD_FAILURE() << "expected " << kindName(e.kind) << " never came: \"" << e.text.toStdString() << '"';
    m_expected.clear();
}

Answer ScriptedInteraction::take(Kind kind, const QString &text, std::optional<TestConditions> *entered)
{
    m_transcript.append(text);
    // A copy: an action may prompt again or add hooks of its own.
    const auto hooks = m_hooks;
    for (const auto &[prefix, action] : hooks)
        if (text.startsWith(prefix))
            action();
    if (m_expected.empty()) {
        ADD_FAILURE() << "unexpected " << kindName(kind) << ": \"" << text.toStdString() << '"';
        return Answer::Cancel;
    }
    const Expected e = m_expected.front();
    m_expected.pop_front();
    const bool matches = e.kind == kind && (e.prefixOnly ? text.startsWith(e.text) : text == e.text);
    if (!matches) {
        ADD_FAILURE() << "got " << kindName(kind) << " \"" << text.toStdString() << "\"\n expected "
                      << kindName(e.kind) << " \"" << e.text.toStdString() << '"';
        return Answer::Cancel;
    }
    if (entered)
        *entered = e.entered;
    return e.answer;
}

void ScriptedInteraction::message(const QString &text)
{
    take(Kind::Message, text);
}

Answer ScriptedInteraction::ask(const QString &text, Buttons)
{
    return take(Kind::Ask, text);
}

Answer ScriptedInteraction::askToSet(const QString &text, const Stimulus &stimulus, Buttons)
{
    m_stimuli.push_back(stimulus);
    const Answer answer = take(Kind::AskToSet, text);
    if (m_applyStimulus && answer != Answer::Cancel)
        m_applyStimulus(stimulus);
    return answer;
}

std::unique_ptr<Progress> ScriptedInteraction::openProgress(const QString &caption, int, int, int)
{
    m_progressStatuses.append(caption);
    return std::make_unique<ScriptedProgress>(m_progressStatuses, m_cancelAfterChecks);
}

Answer ScriptedInteraction::askTestConditions(TestConditions &conditions)
{
    std::optional<TestConditions> entered;
    const Answer answer =
        take(Kind::TestConditions, conditionsText(testConditionsText(conditions)), &entered);
    if (answer == Answer::Ok && entered)
        conditions = *entered;
    return answer;
}

} // namespace tonva::test
