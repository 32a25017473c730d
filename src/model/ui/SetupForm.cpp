#include "model/ui/SetupForm.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <cmath>

namespace tonva::setupform {

QLineEdit *textField(const char *name, int maxLength, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

QComboBox *comboBox(const char *name, const QStringList &items, QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItems(items);
    return combo;
}

QLineEdit *shownField(const char *name, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setReadOnly(true);
    return field;
}

QString numberText(float value)
{
    return value == 0.0f ? QString() : QString::number(double(value), 'g', 7);
}

float numberFrom(const QString &text)
{
    bool ok = false;
    const float value = text.trimmed().toFloat(&ok);
    return ok && std::isfinite(value) ? value : 0.0f;
}

DateFields::DateFields(const char *prefix, QWidget *parent) : m_box(new QWidget(parent))
{
    const QString name = QLatin1String(prefix);
    m_year = new QLineEdit(m_box);
    m_year->setObjectName(name + QStringLiteral("YearEdit"));
    m_year->setMaxLength(4);
    m_year->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), m_year));
    m_year->setMaximumWidth(60);
    m_year->setPlaceholderText(QStringLiteral("YYYY"));
    m_month =
        comboBox((name + QStringLiteral("MonthCombo")).toLatin1().constData(),
                 {QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
                  QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
                  QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")},
                 m_box);
    m_day = new QLineEdit(m_box);
    m_day->setObjectName(name + QStringLiteral("DayEdit"));
    m_day->setMaxLength(2);
    m_day->setValidator(new QIntValidator(1, 31, m_day));
    m_day->setMaximumWidth(40);
    m_day->setPlaceholderText(QStringLiteral("DD"));
    auto *row = new QHBoxLayout(m_box);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_year);
    row->addWidget(m_month);
    row->addWidget(m_day);
    row->addStretch(1);
}

void DateFields::show(const QString &stored)
{
    const QStringList parts = stored.trimmed().split(QLatin1Char('-'));
    m_year->setText(parts.value(0).left(4));
    // The list always shows a month, so what is shown is what a typed year will be stored with.
    const int month = parts.value(1).toInt();
    m_month->setCurrentIndex(month >= 1 && month <= 12 ? month - 1 : 0);
    const int day = parts.value(2).left(2).toInt();
    m_day->setText(day >= 1 && day <= 31 ? QStringLiteral("%1").arg(day, 2, 10, QLatin1Char('0'))
                                         : QString());
    m_shownAs = composed();
}

QString DateFields::composed() const
{
    if (m_year->text().trimmed().isEmpty())
        return {};
    // A date without its day gets the first rather than a zero no calendar has.
    const int month = std::max(m_month->currentIndex(), 0) + 1;
    const int day = std::clamp(m_day->text().toInt(), 1, 31);
    return QString::asprintf("%04d-%02d-%02d", m_year->text().toInt(), month, day);
}

} // namespace tonva::setupform
