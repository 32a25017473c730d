#pragma once

#include "measure/InputLevelPage.h"

#include <QWidget>
#include <map>

class QCheckBox;
class QPushButton;
class QSpinBox;

namespace tonva {

class PreferenceStore;

// What the three input-level pages share: one field per frequency of the page, a common level with
// the button that copies it into every field, and "Set to defaults". Every edit goes straight into
// the page's logic, so whoever applies the logic (this widget or the run collecting its pages) gets
// what the fields show; nothing reaches the record before apply().
class InputLevelFields : public QWidget
{
    Q_OBJECT
public:
    // The field of a frequency index of the page; null for any other.
    QSpinBox *field(int frequencyIndex) const;

    // Takes the fields into the transducer's levels and the linked blocks.
    void apply();

protected:
    // `store` receives the bone page's levels as the next test's defaults; may be null.
    InputLevelFields(InputLevelPage &page, PreferenceStore *store, QWidget *parent);

    InputLevelPage &page() { return m_page; }
    // Shows the logic's fields again after it changed them itself.
    void refresh();
    void setFieldsEnabled(bool enabled);

private:
    InputLevelPage &m_page;
    PreferenceStore *m_store;
    std::map<int, QSpinBox *> m_fields;
    QSpinBox *m_commonLevel;
    QPushButton *m_setCommon;
};

class CLowInputLevelsPP final : public InputLevelFields
{
    Q_OBJECT
public:
    explicit CLowInputLevelsPP(InputLevelPage &page, QWidget *parent = nullptr);
};

class CHighInputLevelsPP final : public InputLevelFields
{
    Q_OBJECT
public:
    explicit CHighInputLevelsPP(InputLevelPage &page, QWidget *parent = nullptr);
};

// The bone page adds "Use defaults", which holds the defaults in the fields and locks them while
// checked. Applying it also remembers its levels in `store` for the next test.
class CBoneInputLvlsPP final : public InputLevelFields
{
    Q_OBJECT
public:
    CBoneInputLvlsPP(InputLevelPage &page, PreferenceStore *store, QWidget *parent = nullptr);

private:
    QCheckBox *m_useDefaults;
};

} // namespace tonva
