#pragma once

#include "model/FixedText.h"

#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <cstdint>

// Field plumbing shared by the set-up pages of the audiometer. A field is written back only when the
// technician changed what the page showed: a stored test opened and accepted unchanged keeps every
// byte it had, even texts and numbers this program would have written differently.
namespace tonva::setupform {

QLineEdit *textField(const char *name, int maxLength, QWidget *parent);
QComboBox *comboBox(const char *name, const QStringList &items, QWidget *parent);
// Shown, not edited: the test holds the instrument as the inventory describes it.
QLineEdit *shownField(const char *name, QWidget *parent);

// A float as its field shows it: 0 (never entered) as an empty field.
QString numberText(float value);
// Text that is no finite number reads as 0, so the checks that follow treat it as not entered;
// "nan" and "inf" parse as numbers and would pass every range check.
float numberFrom(const QString &text);

template<std::size_t N> void loadText(QLineEdit *edit, const char (&field)[N])
{
    edit->setText(displayText(field));
}

template<std::size_t N> void collectText(char (&field)[N], const QLineEdit *edit)
{
    if (edit->text() != displayText(field))
        setDisplayText(field, edit->text());
}

inline void loadNumber(QLineEdit *edit, float value)
{
    edit->setText(numberText(value));
}

inline void collectNumber(float &value, const QLineEdit *edit)
{
    if (edit->text() != numberText(value))
        value = numberFrom(edit->text());
}

// A date field as year, month list and day; stored "%04d-%02d-%02d".
class DateFields
{
public:
    DateFields(const char *prefix, QWidget *parent);

    QWidget *widget() const { return m_box; }

    template<std::size_t N> void load(const char (&field)[N]) { show(displayText(field)); }
    template<std::size_t N> void collect(char (&field)[N]) const
    {
        // Unchanged, a stored text this page cannot show exactly (another layout, a damaged date) stays.
        if (composed() != m_shownAs)
            setDisplayText(field, composed());
    }

private:
    void show(const QString &stored);
    QString composed() const;

    QWidget *m_box;
    QLineEdit *m_year;
    QComboBox *m_month;
    QLineEdit *m_day;
    QString m_shownAs;
};

} // namespace tonva::setupform
