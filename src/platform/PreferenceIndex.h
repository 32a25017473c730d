#pragma once

#include <QLatin1String>

namespace tonva {

// One value of the preference store: where it lives, what it is called and what an absent value
// reads as. Every value the program keeps is listed below, so a default is written down once.
struct IntPreference
{
    QLatin1String section;
    QLatin1String name;
    int defaultValue;
};

struct TextPreference
{
    QLatin1String section;
    QLatin1String name;
    QLatin1String defaultValue;
    // Longest text a read returns (the field it fills holds one byte more); 0: no limit.
    int maxLength = 0;
};

namespace preference {

inline constexpr QLatin1String kPreferences{"Preferences"};
inline constexpr QLatin1String kSettings{"Settings"};

// Section "Preferences": the document's block, loaded at start-up and saved as a whole.
// DatabaseDir's default is the machine's data folder, which only the caller knows; an empty
// DatabaseName also falls back to the default name (storage/DatabaseFile decides it).
inline constexpr TextPreference DatabaseDir{kPreferences, QLatin1String("DatabaseDir"), QLatin1String("")};
inline constexpr TextPreference DatabaseName{kPreferences, QLatin1String("DatabaseName"), QLatin1String("")};
inline constexpr TextPreference AudCertPath{kPreferences, QLatin1String("AudCertPath"), QLatin1String("")};
inline constexpr TextPreference AmbCertPath{kPreferences, QLatin1String("AmbCertPath"), QLatin1String("")};
inline constexpr int kOrganizationTextLength = 40;
inline constexpr TextPreference CompanyName{kPreferences, QLatin1String("CompanyName"), QLatin1String(""),
                                            kOrganizationTextLength};
inline constexpr TextPreference Header1{kPreferences, QLatin1String("Header1"), QLatin1String(""),
                                        kOrganizationTextLength};
inline constexpr TextPreference Header2{kPreferences, QLatin1String("Header2"), QLatin1String(""),
                                        kOrganizationTextLength};
inline constexpr IntPreference SLMComport{kPreferences, QLatin1String("SLMComport"), 1};
inline constexpr IntPreference SLMBaudRate{kPreferences, QLatin1String("SLMBaudRate"), 9600};
inline constexpr IntPreference AudComport{kPreferences, QLatin1String("AudComport"), 2};
inline constexpr IntPreference AudBaudRate{kPreferences, QLatin1String("AudBaudRate"), 9600};
// The meter's port by name: a device path, "COMn", or "sim" for the built-in simulator. When set
// it wins over SLMComport, which only numbers COM ports.
inline constexpr TextPreference SLMPortName{kPreferences, QLatin1String("SLMPortName"), QLatin1String("")};

// Section "Settings": read and written one value at a time by the part of the program that uses it.
// After a test
inline constexpr IntPreference SaveAfterTest{kSettings, QLatin1String("Save After Test"), 1};
inline constexpr IntPreference ShowSaveDialogAfterTest{kSettings,
                                                       QLatin1String("Show Save Dialog After Test"), 1};
inline constexpr IntPreference DataWasModified{kSettings, QLatin1String("Data Was Modified"), 0};
// Set-up pages
inline constexpr IntPreference ShowCouplerWarn{kSettings, QLatin1String("Show Coupler Warn"), 1};
inline constexpr IntPreference AllowIncompatible{kSettings, QLatin1String("Allow Incompatible"), 0};
// Measurement pages
inline constexpr IntPreference ShowRetsplWarn{kSettings, QLatin1String("Show RETSPL Warn"), 1};
inline constexpr IntPreference DisplayEmptyRetspl{kSettings, QLatin1String("Display Empty RetSpl"), 1};
inline constexpr IntPreference AskForGrid{kSettings, QLatin1String("Ask For Grid"), 1};
inline constexpr IntPreference LinDirection{kSettings, QLatin1String("Lin Direction"), 1};
inline constexpr IntPreference AdjustBasis{kSettings, QLatin1String("Adjust Basis"), 1};
inline constexpr IntPreference LastFm{kSettings, QLatin1String("Last FM"), 0};
// The dial input levels per transducer and frequency ("HL Input_%d %s", "NB Input_%d %s",
// "SpeechInput_%d", "BroadBandInput_%d" default 70; "BoneSpeechInput" 40; "BoneHL Input %s" 20 at
// RFREQ_250 and 40 elsewhere) are named from the frequency tables where the new test reads them.
// Booth view
inline constexpr IntPreference DisplayEarsNotCovered{kSettings, QLatin1String("Display Ears Not Covered"), 1};
inline constexpr IntPreference AmbShowFail{kSettings, QLatin1String("Amb Show Fail"), 0};
inline constexpr IntPreference AmbShowPage{kSettings, QLatin1String("Amb Show Page"), 0};
// Instrument window and meter calibration: the last choice in each list
inline constexpr IntPreference CurrentSlm{kSettings, QLatin1String("CURRENT SLM"), 0};
inline constexpr IntPreference CurrentCalibrator{kSettings, QLatin1String("CURRENT CALIBRATOR"), 0};
inline constexpr IntPreference CurrentMike{kSettings, QLatin1String("CURRENT MIKE"), 0};
inline constexpr IntPreference CurrentMastoid{kSettings, QLatin1String("CURRENT MASTOID"), 0};
inline constexpr IntPreference CurrentPreamp{kSettings, QLatin1String("CURRENT PREAMP"), 0};
inline constexpr TextPreference SnLastCalibrator{kSettings, QLatin1String("SN Last Calibrator"),
                                                 QLatin1String("0")};
inline constexpr TextPreference SnLastMike{kSettings, QLatin1String("SN Last Mike"), QLatin1String("0")};
// Set-up file import
inline constexpr int kPathTextLength = 254;
inline constexpr TextPreference ImportFilePathname{kSettings, QLatin1String("Import File Pathname"),
                                                   QLatin1String(""), kPathTextLength};
inline constexpr IntPreference ImportDelimiter{kSettings, QLatin1String("Import Delimiter"), 0};
// Export
inline constexpr IntPreference ExportReportType{kSettings, QLatin1String("Export Report Type"), 0};
inline constexpr IntPreference ExportDelimiter{kSettings, QLatin1String("Export Delimiter"), 0};
inline constexpr TextPreference DefaultExportFolder{kSettings, QLatin1String("Default Export Folder"),
                                                    QLatin1String(""), kPathTextLength};

} // namespace preference
} // namespace tonva
