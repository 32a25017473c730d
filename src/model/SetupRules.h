#pragma once

#include "model/Inventory.h"
#include "model/TestSetup.h"
#include "platform/Interaction.h"
#include "platform/PreferenceStore.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace tonva {

// A calibration due year is believable when the first four characters of the trimmed year text,
// read as a number, are less than 100 years from now.
bool isDueYearValid(std::string_view yearText, int currentYear);

// The working copy the set-up window edits. Instruments the laboratory has exactly one of are
// filled in where the test has none yet.
TestSetup OpenSetup(const TestSetup &recordSetup, const Inventory &inventory);

// Runs the audiometer checks in order; the first failure is shown and the set-up stays open.
// Odd FM parameters only warn, and the technician may go on.
bool ValidateAudiometer(const TestSetup &setup, Interaction &interaction, int currentYear);

// "Set to Default Frequencies": ticks the eleven standard audiometric frequencies, leaves the rest.
void SetDefaultFrequencies(TestSetup &setup);

// The earphone chosen on one of the three earphone pages: which models may be offered for the
// coupler in use, choosing one, and the questions when the coupler changes.
class EarphonePage
{
public:
    enum class Kind
    {
        SupraAural,
        Insert,
        Circumaural
    };

    EarphonePage(Kind kind, TestSetup &setup, const Inventory &inventory, PreferenceStore &preferences,
                 Interaction &interaction);
    // Remembers for the next page the coupler preferences this page changed. The window holds three
    // earphone pages at once; one that changed nothing must not put back what it read at the start.
    ~EarphonePage();
    EarphonePage(const EarphonePage &) = delete;
    EarphonePage &operator=(const EarphonePage &) = delete;

    // Coupler codes the page's buttons offer.
    const std::vector<int> &couplerCodes() const;

    // The earphones the model list offers, in inventory order. Only what the technician does to the
    // page changes the slot: a stored test whose earphone this inventory does not offer keeps it.
    std::vector<EarphoneModel> models() const;
    // What the list shows: model names, or "None".
    QStringList modelNames() const;
    // Position of the slot's earphone in the list, or -1.
    int currentIndex() const;

    // Copies the model at `index` of the list into the slot; the serial numbers stay. Choosing the
    // "None" of an empty list takes the earphone out of the slot.
    void choose(int index);
    void setSerialNumbers(const QString &left, const QString &right);

    // A coupler button was clicked. Returns false when the technician kept the previous choice.
    // A coupler no earphone is offered for leaves the slot without one.
    bool changeCoupler(int couplerCode);

    bool allowIncompatible() const { return m_allowIncompatible; }
    void setAllowIncompatible(bool allow);
    bool showCouplerWarning() const { return m_showCouplerWarn; }
    // The coupler question's "do not show again" box.
    void setShowCouplerWarning(bool show) { m_showCouplerWarn = show; }

    EarphoneSlot &slot() { return m_slot; }

private:
    bool offers(const EarphoneModel &earphone) const;
    void clearEarphone();
    std::optional<EarphoneModel> chosenModel() const;

    Kind m_kind;
    EarphoneSlot &m_slot;
    const Inventory &m_inventory;
    PreferenceStore &m_preferences;
    Interaction &m_interaction;
    bool m_showCouplerWarn = true;
    bool m_allowIncompatible = false;
    bool m_showCouplerWarnAtStart = true;
    bool m_allowIncompatibleAtStart = false;
};

// The earphone's reference levels as a file: one "%.1f" line (CR LF) per frequency index.
bool SaveRetsplFile(const QString &path, const float (&retspl)[kFrequencyCount]);
// A missing line or one without a number reads as 0.0 (not defined). False, with the reason for the
// technician in `error`, when the file cannot be read or is far too large to be one.
bool LoadRetsplFile(const QString &path, float (&retspl)[kFrequencyCount], QString *error = nullptr);
// Name proposed in the file dialog: the model, or "EarphoneData", with ".csv".
QString proposedRetsplFileName(const EarphoneSlot &slot);

} // namespace tonva
