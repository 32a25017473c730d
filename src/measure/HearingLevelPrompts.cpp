#include "measure/HearingLevelPrompts.h"

#include "measure/MeasurementCatalogue.h"
#include "platform/TextFormat.h"

namespace tonva::hearingprompt {

namespace {

const char *const kCheckAudiometer =
    "(Please check the audiometer to make sure the signal is on\nand that it is set to";
const char *const kCheckTrellan = ".\nAlso check the Trellan to make sure it is measuring data.)\n\n";
const char *const kAgainAtFrequency = "Click Yes to re-measure at this frequency.\n";

QString whatNo(Run run)
{
    return run == Run::All ? QStringLiteral("Click No to go on to the next frequency (if there is one).\n"
                                            "Click Cancel to cancel the measurement.")
                           : QStringLiteral("Click No to cancel the measurement.");
}

// "(Please check ... set to<stimulus>. ...)": some texts put a blank before the stimulus.
QString checkAudiometer(const QString &stimulus, bool blankBeforeStimulus)
{
    return QString::fromLatin1(kCheckAudiometer) + (blankBeforeStimulus ? QStringLiteral(" ") : QString()) +
           stimulus + QString::fromLatin1(kCheckTrellan);
}

} // namespace

QString toneStimulus(int dialLevel, Ear ear, double hertz)
{
    return formatText(" %d dBHL %s at %.0f Hz", dialLevel, qPrintable(earText(ear)), hertz);
}

QString frequencyStimulus(Ear ear, double hertz)
{
    return formatText(" 80 dBHL (or max level) %s at %.0f Hz", qPrintable(earText(ear)), hertz);
}

QString narrowBandStimulus(int dialLevel, Ear ear, double hertz)
{
    return formatText(" NB %d dBHL %s at %.0f Hz", dialLevel, qPrintable(earText(ear)), hertz);
}

QString setPrompt(HearingLevelMode mode, const QString &stimulus, Ear ear, double hertz)
{
    switch (mode) {
    case HearingLevelMode::FrequencyModulation:
        return formatText(
            "Set FM 90 dBHL (or max level) %s at %.0f Hz (make sure the Trellan readings are steady)",
            qPrintable(earText(ear)), hertz);
    case HearingLevelMode::NarrowBand:
        return QStringLiteral("Set ") + stimulus;
    case HearingLevelMode::HearingLevel:
    case HearingLevelMode::Frequency:
        break;
    }
    return QStringLiteral("Set") + stimulus;
}

QString unstableLevel(Run run, double spread, double hertz)
{
    return formatText(
               "Failed to get a stable reading. High - Low = %.2f\nWould you like to measure again at %.0f "
               "Hz?\n",
               spread, hertz) +
           QString::fromLatin1(kAgainAtFrequency) + whatNo(run);
}

QString levelTooLow(Run run, HearingLevelMode mode, double level, double hertz, const QString &stimulus)
{
    return formatText("Measured SPL was too low (%.1f dB).\n\nWould you like to measure again at %.0f Hz?\n",
                      level, hertz) +
           checkAudiometer(stimulus, mode == HearingLevelMode::NarrowBand) +
           QString::fromLatin1(kAgainAtFrequency) + whatNo(run);
}

QString frequencyUnreadable(Run run, double hertz, const QString &stimulus)
{
    if (run == Run::All)
        return formatText("Unable to read the Frequency.Would you like to measure again at %.0f Hz?\n",
                          hertz) +
               checkAudiometer(stimulus, false) + QString::fromLatin1(kAgainAtFrequency) + whatNo(run);
    return formatText("Failed to measure the Frequency.\nWould you like to measure again at %.0f Hz?\n",
                      hertz) +
           checkAudiometer(stimulus, true) + QStringLiteral("Click Yes to re-measure this frequency.\n") +
           whatNo(run);
}

QString frequencyTooLow(Run run, double measured, double hertz, const QString &stimulus)
{
    return formatText(
               "Measured frequency was too low (%.0f Hz).\n\nWould you like to measure again at %.0f Hz?\n",
               measured, hertz) +
           checkAudiometer(stimulus, run == Run::Selected) + QString::fromLatin1(kAgainAtFrequency) +
           whatNo(run);
}

QString restartQuestion(double lastMeasuredHertz)
{
    return formatText(
        "Start 'Measure All' from the beginning (Yes), or after %.0f Hz?\nIndividual frequencies can "
        "be tested with 'Measure Selected'",
        lastMeasuredHertz);
}

QString communicationFailed()
{
    return QStringLiteral(
        "Communication with the Trellan failed.\nPlease verify that all connections are correct "
        "and the Trellan is turned on.");
}

QString saveNewReadings()
{
    return QStringLiteral("Do you wish to save your new readings?");
}

QString noisyModulation()
{
    return QStringLiteral(
        "Unable to get a good reading (probably due to too much external noise).\n Try again?");
}

} // namespace tonva::hearingprompt
