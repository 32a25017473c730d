#pragma once

#include "platform/PreferenceStore.h"

#include <QString>
#include <array>
#include <cstdint>

namespace tonva {

// The document's block of section "Preferences": where the database is, who calibrates, and the
// meter's port. Loaded once at start-up and written back as a whole whenever part of it changes.
struct PreferenceBlock
{
    QString databaseDir;
    QString databaseName;
    QString audCertPath;
    QString ambCertPath;
    QString companyName; // each at most 40 characters
    QString header1;
    QString header2;
    std::int16_t slmComport = 1;
    int slmBaudRate = 9600;
    std::int16_t audComport = 2;
    int audBaudRate = 9600;
    QString slmPortName;

    // `defaultFolder` is the machine's data folder, taken when no folder is stored.
    static PreferenceBlock load(const PreferenceStore &store, const QString &defaultFolder,
                                const QString &defaultName);
    // Writes the eleven values in their order, then the port name.
    void save(PreferenceStore &store) const;
    // Cuts each text to the 40 characters its field holds.
    void setOrganization(const QString &name, const QString &firstHeading, const QString &secondHeading);
};

// The check boxes of the organisation page, in their order on the page.
enum class DisplayOption
{
    ShowSaveDialog,
    SaveAfterTest,
    ShowCouplerWarn,
    ShowRetsplWarn,
    DisplayEmptyRetspl,
    DisplayEarsNotCovered
};
inline constexpr int kDisplayOptionCount = 6;

QString displayOptionLabel(DisplayOption option);
const IntPreference &displayOptionValue(DisplayOption option);

// What the organisation page shows and edits: the three texts of the block and the six settings.
struct OrganizationSettings
{
    QString companyName;
    QString header1;
    QString header2;
    std::array<bool, kDisplayOptionCount> options{};

    bool option(DisplayOption which) const { return options[std::size_t(which)]; }
    void setOption(DisplayOption which, bool on) { options[std::size_t(which)] = on; }

    static OrganizationSettings read(const PreferenceBlock &block, const PreferenceStore &store);
    // The six settings go to the store at once; the texts into the block (cut to 40 characters).
    void apply(PreferenceBlock &block, PreferenceStore &store) const;
};

} // namespace tonva
