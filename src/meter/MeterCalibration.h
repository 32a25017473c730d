#pragma once

#include "meter/KeySimulator.h"
#include "meter/MeterTables.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace tonva {

class PreferenceStore;
class Progress;
class SlmFileList;
class SlmLink;

// The logic of the "SLM Calibration" dialog: the Trellan is checked against an acoustic calibrator
// and, on Set Calibration, its calibration offset is corrected by the difference it read. The dialog
// shows what this class says and calls tick() from its one-second timer; the command line runs it
// the same way without a window.
//
// The measured SPL is the level of the calibrator's third-octave band minus the chosen microphone's
// response at that band (the response entered for the test frequency at the band's centre; 0 when
// none was entered). The calibrator drives the microphone directly, so the microphone's own
// deviation at that frequency is the one thing between the calibrator's stated level and the
// meter's reading that the inventory knows about.
//
// Whatever fails during Set Calibration, the meter is left running with the gain it had and, once
// its calibration level was read, with that level written back.
class MeterCalibration
{
public:
    struct Calibrator
    {
        QString manufacturer;
        QString model;
        QString serialNumber;
        double frequencyHz = 0.0;
        double outputLevel = 0.0; // dB SPL the calibrator states
    };
    struct Microphone
    {
        QString manufacturer;
        QString model;
        QString serialNumber;
        std::array<float, meter::kTestFrequencyCount> response{}; // dB by test frequency index
    };
    // The fields of the dialog's two groups, as they are shown.
    struct CalibratorFields
    {
        QString manufacturer;
        QString model;
        QString serialNumber;
        QString frequency;   // "%.1f"
        QString outputLevel; // "%.1f"
    };
    struct MicrophoneFields
    {
        QString manufacturer;
        QString model;
        QString serialNumber;
    };
    struct Reading
    {
        double measuredSpl = 0.0;
        double difference = 0.0;     // measured SPL minus the calibrator's output level
        QString measuredText;        // "%.1f"
        QString differenceText;      // "%+.1f"
    };
    enum class Outcome
    {
        Calibrated,  // the new offset is in the meter
        Cancelled,   // the technician stopped before the offset was written
        Failed,      // a step failed; its message was shown
        Unavailable, // no calibrator or no microphone to calibrate with
    };

    MeterCalibration(SlmLink &link, SlmFileList &fileList, PreferenceStore &preferences,
                     std::vector<Calibrator> calibrators, std::vector<Microphone> microphones);

    // Told whenever a calibrator is chosen (also on opening): on a simulated bench, whoever drives
    // the scene puts that calibrator's tone on the meter's microphone.
    void onCalibratorChosen(std::function<void(const Calibrator &)> chosen) { m_calibratorChosen = std::move(chosen); }

    // Readies the meter, reads its offset and selects the remembered calibrator and microphone.
    // False when the technician gave up on a meter that would not get ready: the dialog closes.
    bool open();

    QStringList calibratorLabels() const;
    QStringList microphoneLabels() const;
    int calibratorRow() const { return m_calibratorRow; }
    int microphoneRow() const { return m_microphoneRow; }
    void chooseCalibrator(int row);
    void chooseMicrophone(int row);
    CalibratorFields calibratorFields() const;
    MicrophoneFields microphoneFields() const;
    // Test frequency index of the chosen calibrator, and the band read for it; -1 without one.
    int calibratorFrequencyIndex() const { return m_frequencyIndex; }
    int calibratorBand() const;

    // Readings and Set Calibration need a calibrator and a microphone; without them the status
    // text says which is missing.
    bool canMeasure() const { return m_calibratorRow >= 0 && m_microphoneRow >= 0; }
    // The last status the dialog shows beside its fields.
    const QString &statusText() const { return m_statusText; }
    // The meter's calibration offset as read on opening, or as last set here.
    double offset() const { return m_offset; }
    const std::optional<Reading> &lastReading() const { return m_lastReading; }

    // One reading of the calibrator's band. Nothing when readings are not possible or the technician
    // stopped them; the dialog restarts its timer only after a reading.
    std::optional<Reading> tick();

    // Measures the calibrator steadily and writes the corrected offset into the meter.
    Outcome setCalibration();

    // The first test frequency the calibrator's frequency lies below, with a tenth of the step to the
    // next frequency as margin; the last one for everything from there up.
    static int frequencyIndexOf(double calibratorHz);

    // The instruction before the steady reading; a console that must answer it knows it by this.
    static const QString &activateCalibratorText();

private:
    void showStatus(Progress *progress, const QString &text);
    Reading readingOf(double bandLevel) const;
    double microphoneCorrection() const;
    // Steps 2 to 7 of Set Calibration; fills in what the restoring steps need.
    Outcome changeOffset(Progress &progress, int &gainBefore, std::optional<double> &priorLevel);
    void restore(Progress &progress, int gainBefore, const std::optional<double> &priorLevel);
    bool sendSetting(const QByteArray &text, QByteArray *reply = nullptr);

    SlmLink &m_link;
    SlmFileList &m_fileList;
    PreferenceStore &m_preferences;
    KeySimulator m_keys;
    bool m_keysBound = false;
    std::vector<Calibrator> m_calibrators;
    std::vector<Microphone> m_microphones;
    int m_calibratorRow = -1;
    int m_microphoneRow = -1;
    int m_frequencyIndex = -1;
    double m_offset = 0.0;
    std::optional<Reading> m_lastReading;
    QString m_statusText;
    std::function<void(const Calibrator &)> m_calibratorChosen;
};

} // namespace tonva
