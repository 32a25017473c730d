#include "storage/StoredFilter.h"

#include "platform/TextFormat.h"
#include "storage/DateNumber.h"

#include <vector>

namespace tonva {

namespace {

struct Term
{
    QString column;
    QString op;
    QVariant value;
    QString shown;
};

class Terms
{
public:
    void addText(const QString &column, const QString &text)
    {
        const QString value = text.trimmed();
        if (!value.isEmpty())
            m_terms.push_back(
                {column, QStringLiteral("="), value, QLatin1Char('\'') + value + QLatin1Char('\'')});
    }
    void addChannel(int channel)
    {
        if (channel > 0)
            m_terms.push_back(
                {QStringLiteral("ChannelNum"), QStringLiteral("="), channel, QString::number(channel)});
    }
    void addDates(const QDate &from, const QDate &to)
    {
        addDate(QStringLiteral(">="), from);
        addDate(QStringLiteral("<="), to);
    }

    QString text() const
    {
        return join([](const Term &term) { return term.shown; });
    }
    SqlCondition condition() const
    {
        SqlCondition condition{join([](const Term &) { return QStringLiteral("?"); }), {}};
        for (const Term &term : m_terms)
            condition.values.append(term.value);
        return condition;
    }

private:
    void addDate(const QString &op, const QDate &date)
    {
        if (!date.isValid())
            return;
        const double number = DateNumber::fromDate(date);
        m_terms.push_back({QStringLiteral("Date"), op, number, formatText("%f", number)});
    }

    template<typename Operand> QString join(Operand operand) const
    {
        QStringList parts;
        for (const Term &term : m_terms)
            parts.append(term.column + QLatin1Char(' ') + term.op + QLatin1Char(' ') + operand(term));
        return parts.join(QStringLiteral(" AND "));
    }

    std::vector<Term> m_terms;
};

Terms testTerms(const TestFilter &filter)
{
    Terms terms;
    terms.addText(QStringLiteral("SerialNum"), filter.serialNum);
    terms.addText(QStringLiteral("ModelNum"), filter.modelNum);
    terms.addText(QStringLiteral("Technician"), filter.technician);
    terms.addChannel(filter.channel);
    terms.addDates(filter.dateFrom, filter.dateTo);
    return terms;
}

Terms boothTerms(const BoothFilter &filter)
{
    Terms terms;
    terms.addText(QStringLiteral("Customer"), filter.customer);
    terms.addText(QStringLiteral("Booth"), filter.booth);
    terms.addDates(filter.dateFrom, filter.dateTo);
    return terms;
}

} // namespace

QString BuildTestFilter(const TestFilter &filter)
{
    return testTerms(filter).text();
}

QString BuildBoothFilter(const BoothFilter &filter)
{
    return boothTerms(filter).text();
}

SqlCondition testCondition(const TestFilter &filter)
{
    return testTerms(filter).condition();
}

SqlCondition boothCondition(const BoothFilter &filter)
{
    return boothTerms(filter).condition();
}

} // namespace tonva
