#pragma once

#include "model/SetupRules.h"
#include "model/ui/SetupPage.h"

#include <memory>
#include <utility>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tonva {

// What one earphone page shows: an earphone model from the inventory for the coupler in use, the
// serial numbers of the two earphones, the coupler and the way to non-standard reference levels.
// The rules live in EarphonePage; the page only shows the slot and forwards what the technician does.
class CTestAudEarphonePP : public SetupPage
{
    Q_OBJECT
public:
    struct CouplerButton
    {
        int code;
        QString label;
    };

    void load() override;
    void collect() override;

    EarphonePage &rules() { return *m_rules; }

protected:
    // `couplerNote` is shown under the coupler buttons when not empty.
    CTestAudEarphonePP(EarphonePage::Kind kind, const QString &title, std::vector<CouplerButton> buttons,
                       const QString &couplerNote, SetupContext &context, QWidget *parent);
    ~CTestAudEarphonePP() override;

private:
    void keepSerialNumbers();
    void showSlot();
    void modelChosen(int index);
    void couplerClicked(int code);
    void allowIncompatibleToggled(bool allow);
    void editRetspl();

    // Lives as long as the page: it reads the coupler preferences when the page opens and writes
    // them back when it closes.
    std::unique_ptr<EarphonePage> m_rules;
    QComboBox *m_model = nullptr;
    QLabel *m_manufacturer = nullptr;
    QLineEdit *m_leftSerial = nullptr;
    QLineEdit *m_rightSerial = nullptr;
    QButtonGroup *m_couplers = nullptr;
    QCheckBox *m_allowIncompatible = nullptr;
    QPushButton *m_editRetspl = nullptr;
};

class CTestAudSupraPP final : public CTestAudEarphonePP
{
    Q_OBJECT
public:
    explicit CTestAudSupraPP(SetupContext &context, QWidget *parent = nullptr);
};

class CTestAudInsertPP final : public CTestAudEarphonePP
{
    Q_OBJECT
public:
    explicit CTestAudInsertPP(SetupContext &context, QWidget *parent = nullptr);
};

class CTestAudCircumPP final : public CTestAudEarphonePP
{
    Q_OBJECT
public:
    explicit CTestAudCircumPP(SetupContext &context, QWidget *parent = nullptr);
};

} // namespace tonva
