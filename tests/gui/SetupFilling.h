#pragma once

#include "model/ReferenceData.h"
#include "model/ui/CTestSetupPS.h"
#include "model/ui/CTestSetupView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

// The set-up window's pages filled in as a technician fills them: through the tree to the page,
// then key by key and click by click.
namespace tonva::test {

template<class T> T *child(QWidget &view, const QString &name)
{
    T *found = view.findChild<T *>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

// The page is shown through the tree first, as the technician reaches it.
inline QWidget &page(CTestSetupView &view, const char *name)
{
    EXPECT_TRUE(view.sheet().showPage(QLatin1String(name))) << name;
    return *view.sheet().page(QLatin1String(name));
}

// Typed key by key, so length limits and validators apply as they do at the keyboard.
inline void type(QWidget &page, const char *name, const QString &text)
{
    auto *edit = child<QLineEdit>(page, QLatin1String(name));
    edit->selectAll();
    QKeyEvent erase(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(edit, &erase);
    for (QChar c : text) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &key);
    }
}

inline void choose(QWidget &page, const char *name, int index)
{
    child<QComboBox>(page, QLatin1String(name))->setCurrentIndex(index);
}

inline void tick(QWidget &page, const QString &name, bool on)
{
    child<QCheckBox>(page, name)->setChecked(on);
}

inline QString frequencyBox(double hertz)
{
    return QStringLiteral("frequency_%1").arg(frequencyIndex(hertz));
}

// The audiometer page as a technician fills it in for a test that passes every check.
struct AudiometerEntries
{
    QString serial = QStringLiteral("SN77");
    QString model = QStringLiteral("AD-1");
    QString dueYear = QStringLiteral("2027");
    QString fmRate = QStringLiteral("5");
    QString fmDeviation = QStringLiteral("10");
    bool frequencies = true;
};

inline void fillAudiometer(CTestSetupView &view, const AudiometerEntries &a)
{
    QWidget &info = page(view, "CTestAudInfoPP");
    type(info, "manufacturerEdit", QStringLiteral("Aldero Instruments Co. Ltd. Extra"));
    type(info, "modelEdit", a.model);
    type(info, "serialEdit", a.serial);
    choose(info, "typeCombo", 2);
    type(info, "inventoryEdit", QStringLiteral("INV-7"));
    type(info, "dueYearEdit", a.dueYear);
    choose(info, "dueMonthCombo", 5);
    type(info, "dueDayEdit", QStringLiteral("30"));
    type(info, "lastCalibratedYearEdit", QStringLiteral("2025"));
    choose(info, "lastCalibratedMonthCombo", 10);
    type(info, "lastCalibratedDayEdit", QStringLiteral("5"));
    type(info, "fmRateEdit", a.fmRate);
    type(info, "fmDeviationEdit", a.fmDeviation);
    choose(info, "channelsCombo", 1);
    choose(info, "channelToTestCombo", 0);
    tick(info, QStringLiteral("supraAuralCheck"), true);
    tick(info, QStringLiteral("boneVibratorCheck"), true);
    if (a.frequencies)
        tick(page(view, "CTestAudFreqPP"), frequencyBox(1000), true);
}

// TDH 39 earphones on the Kestin coupler, as the demonstration laboratory has them.
inline void fillSupraAural(CTestSetupView &view, const QString &leftSerial, const QString &rightSerial)
{
    QWidget &supra = page(view, "CTestAudSupraPP");
    child<QRadioButton>(supra, QStringLiteral("coupler2Button"))->click();
    auto *model = child<QComboBox>(supra, QStringLiteral("modelCombo"));
    const int tdh39 = model->findText(QStringLiteral("TDH 39"));
    ASSERT_GE(tdh39, 0);
    model->setCurrentIndex(tdh39);
    type(supra, "leftSerialEdit", leftSerial);
    type(supra, "rightSerialEdit", rightSerial);
}

// The technician's pick in an instrument drop-down: only a pick writes the slot, not a shown item.
inline void pickInstrument(QWidget &page, const char *comboName, const QString &labelPart)
{
    auto *combo = child<QComboBox>(page, QLatin1String(comboName));
    ASSERT_NE(combo, nullptr);
    const int index = combo->findText(labelPart, Qt::MatchContains);
    ASSERT_GE(index, 0) << labelPart.toStdString() << " in " << comboName;
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

} // namespace tonva::test
