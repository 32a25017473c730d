#pragma once

#include <QDate>
#include <QWidget>

namespace tonva {

struct TestSetup;
struct Inventory;
struct EarphoneSlot;
class PreferenceStore;
class Interaction;
class CalibrationDueWarner;

// The set-up window's own dialogs, opened for a page so a test can stand in for them.
class SetupHost
{
public:
    virtual ~SetupHost() = default;
    // The RETSPL editor on the slot's reference levels; true when the technician accepted changes.
    virtual bool editRetspl(EarphoneSlot &slot) = 0;
};

// What every set-up page edits and consults. The window owns it and it outlives the pages; the
// pages edit only the working copy, which reaches the test record when the set-up is accepted.
struct SetupContext
{
    TestSetup &working;
    const Inventory &inventory;
    PreferenceStore &preferences;
    Interaction &interaction;
    CalibrationDueWarner &dueWarner;
    SetupHost &host;
    QDate today;
};

// One page of the set-up window.
class SetupPage : public QWidget
{
public:
    explicit SetupPage(SetupContext &context, QWidget *parent = nullptr) : QWidget(parent), m_context(context) {}

    // Fills the widgets from the working copy.
    virtual void load() = 0;
    // Writes the widgets into the working copy; done for every page before the set-up is checked,
    // and when the technician leaves the page.
    virtual void collect() = 0;

protected:
    SetupContext &m_context;
};

} // namespace tonva
