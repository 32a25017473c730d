#include "measure/TestConditions.h"

#include "platform/TextFormat.h"

#include <limits>

namespace tonva {

namespace {

constexpr int kLowestHumidity = 4;
constexpr int kHighestHumidity = 100;
constexpr double kLowestTemperature = 17.0;
constexpr double kHighestTemperature = 29.0;

// Digits with at most one decimal separator ("." or ","), which must follow a digit.
bool isDecimalText(const QString &text)
{
    bool seenDigit = false;
    bool seenSeparator = false;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            seenDigit = true;
        } else if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
            if (seenSeparator || !seenDigit)
                return false;
            seenSeparator = true;
        } else {
            return false;
        }
    }
    return true;
}

double decimalValue(QString text)
{
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return text.toDouble(); // empty text reads as 0, which every range refuses
}

// The whole number the text begins with, as the dialog's integer field reads it; -1 when it begins
// with none, and a number far too long for a humidity reads as out of range rather than wrapping.
int leadingWholeNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    while (end < trimmed.size() && trimmed[end].isDigit())
        ++end;
    if (end == 0)
        return -1;
    bool fits = false;
    const int value = trimmed.left(end).toInt(&fits);
    return fits ? value : std::numeric_limits<int>::max();
}

TestConditionsVerdict refused(const QString &message)
{
    TestConditionsVerdict verdict;
    verdict.message = message;
    return verdict;
}

} // namespace

TestConditionsText testConditionsText(const TestConditions &conditions)
{
    return {formatText("%.1f", double(conditions.temperature)),
            formatText("%.2f", double(conditions.pressure)), formatText("%d", int(conditions.humidity))};
}

TestConditionsVerdict checkTestConditions(const TestConditionsText &text)
{
    const int humidity = leadingWholeNumber(text.humidity);
    if (humidity < kLowestHumidity || humidity > kHighestHumidity)
        return refused(QStringLiteral("Invalid entry in Humidity field.\nMust be between 4 and 100%"));

    if (!isDecimalText(text.temperature))
        return refused(QStringLiteral("Invalid entry in temperature field."));
    const double temperature = decimalValue(text.temperature);
    if (temperature < kLowestTemperature || temperature > kHighestTemperature)
        return refused(formatText("Temperature must be between %.1f and %.1f.", kLowestTemperature,
                                  kHighestTemperature));

    // An empty pressure would be stored as 0 and read later as 0 inches of mercury, a full
    // atmosphere off in the mastoid correction; it is refused like any other bad entry.
    if (text.pressure.isEmpty() || !isDecimalText(text.pressure))
        return refused(QStringLiteral("Invalid entry in pressure field."));

    TestConditionsVerdict verdict;
    verdict.accepted = true;
    verdict.conditions.temperature = static_cast<float>(temperature);
    verdict.conditions.pressure = static_cast<float>(decimalValue(text.pressure));
    verdict.conditions.humidity = static_cast<std::int16_t>(humidity);
    return verdict;
}

} // namespace tonva
