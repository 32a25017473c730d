#include "cli/ConsoleInteraction.h"

#include <QTextStream>

namespace tonva::cli {

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

Answer safeAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
        return Answer::Cancel;
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::No;
    }
    return Answer::Cancel;
}

Answer agreeingAnswer(Buttons buttons)
{
    return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
}

class ConsoleProgress final : public Progress
{
public:
    explicit ConsoleProgress(bool verbose) : m_verbose(verbose) {}

    void setStatus(const QString &text) override
    {
        if (m_verbose)
            err() << "  " << text << Qt::endl;
    }
    void setPosition(int) override {}
    void step() override {}
    bool checkCancel() override { return false; }

private:
    bool m_verbose;
};

} // namespace

void ConsoleInteraction::message(const QString &text)
{
    err() << text << Qt::endl;
}

Answer ConsoleInteraction::ask(const QString &text, Buttons buttons)
{
    const Answer answer = m_answers == Answers::Accept ? agreeingAnswer(buttons) : safeAnswer(buttons);
    err() << text << "\n  -> " << answerName(answer) << Qt::endl;
    return answer;
}

Answer ConsoleInteraction::askToSet(const QString &text, const Stimulus &, Buttons buttons)
{
    return ask(text, buttons);
}

std::unique_ptr<Progress> ConsoleInteraction::openProgress(const QString &caption, int, int, int)
{
    if (m_verbose)
        err() << caption << Qt::endl;
    return std::make_unique<ConsoleProgress>(m_verbose);
}

} // namespace tonva::cli
