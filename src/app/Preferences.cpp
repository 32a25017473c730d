#include "app/Preferences.h"

#include <algorithm>
#include <limits>

namespace tonva {

namespace {

// A hand-edited port number beyond the 16 bits it is held in names no port either way; clamping
// keeps it from wrapping round to some other, real port.
std::int16_t portNumber(int stored)
{
    return std::int16_t(std::clamp<int>(stored, std::numeric_limits<std::int16_t>::min(),
                                        std::numeric_limits<std::int16_t>::max()));
}

QString organizationText(const QString &text)
{
    return text.left(preference::kOrganizationTextLength);
}

struct OptionEntry
{
    const char *label;
    const IntPreference &value;
};

const std::array<OptionEntry, kDisplayOptionCount> &optionEntries()
{
    static const std::array<OptionEntry, kDisplayOptionCount> entries{{
        {"Show Dialog to save data when changing test or transducer.", preference::ShowSaveDialogAfterTest},
        {"Always Save data when changing test or transducer.", preference::SaveAfterTest},
        {"Show warning when Earphone is incompatible with coupler.", preference::ShowCouplerWarn},
        {"Show warning when there is no RETSPL defined for a given frequency.", preference::ShowRetsplWarn},
        {"Display frequencies when there is no RETSPL.", preference::DisplayEmptyRetspl},
        {"Display \"Ears Not Covered\" column for Booth Tests.", preference::DisplayEarsNotCovered},
    }};
    return entries;
}

} // namespace

PreferenceBlock PreferenceBlock::load(const PreferenceStore &store, const QString &defaultFolder,
                                      const QString &defaultName)
{
    PreferenceBlock block;
    const QString folder = store.read(preference::DatabaseDir);
    block.databaseDir = folder.isEmpty() ? defaultFolder : folder;
    block.databaseName = store.read(preference::DatabaseName);
    if (block.databaseName.isEmpty())
        block.databaseName = defaultName;
    block.audCertPath = store.read(preference::AudCertPath);
    block.ambCertPath = store.read(preference::AmbCertPath);
    block.companyName = store.read(preference::CompanyName);
    block.header1 = store.read(preference::Header1);
    block.header2 = store.read(preference::Header2);
    block.slmComport = portNumber(store.read(preference::SLMComport));
    block.slmBaudRate = store.read(preference::SLMBaudRate);
    block.audComport = portNumber(store.read(preference::AudComport));
    block.audBaudRate = store.read(preference::AudBaudRate);
    block.slmPortName = store.read(preference::SLMPortName);
    return block;
}

void PreferenceBlock::save(PreferenceStore &store) const
{
    store.write(preference::DatabaseDir, databaseDir);
    store.write(preference::DatabaseName, databaseName);
    store.write(preference::AudCertPath, audCertPath);
    store.write(preference::AmbCertPath, ambCertPath);
    store.write(preference::CompanyName, companyName);
    store.write(preference::Header1, header1);
    store.write(preference::Header2, header2);
    store.write(preference::SLMComport, slmComport);
    store.write(preference::SLMBaudRate, slmBaudRate);
    store.write(preference::AudComport, audComport);
    store.write(preference::AudBaudRate, audBaudRate);
    store.write(preference::SLMPortName, slmPortName);
    store.sync();
}

void PreferenceBlock::setOrganization(const QString &name, const QString &firstHeading,
                                      const QString &secondHeading)
{
    companyName = organizationText(name);
    header1 = organizationText(firstHeading);
    header2 = organizationText(secondHeading);
}

QString displayOptionLabel(DisplayOption option)
{
    return QString::fromLatin1(optionEntries()[std::size_t(option)].label);
}

const IntPreference &displayOptionValue(DisplayOption option)
{
    return optionEntries()[std::size_t(option)].value;
}

OrganizationSettings OrganizationSettings::read(const PreferenceBlock &block, const PreferenceStore &store)
{
    OrganizationSettings settings;
    settings.companyName = organizationText(block.companyName);
    settings.header1 = organizationText(block.header1);
    settings.header2 = organizationText(block.header2);
    for (int i = 0; i < kDisplayOptionCount; ++i)
        settings.options[std::size_t(i)] = store.readFlag(displayOptionValue(DisplayOption(i)));
    return settings;
}

void OrganizationSettings::apply(PreferenceBlock &block, PreferenceStore &store) const
{
    for (int i = 0; i < kDisplayOptionCount; ++i)
        store.writeFlag(displayOptionValue(DisplayOption(i)), options[std::size_t(i)]);
    block.setOrganization(companyName, header1, header2);
}

} // namespace tonva
