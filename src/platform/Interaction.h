#pragma once

#include "model/TestKinds.h"

#include <QString>
#include <memory>
#include <optional>

namespace tonva {

enum class Buttons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel
};
enum class Answer
{
    Ok,
    Cancel,
    Yes,
    No
};
// The button's label: "OK", "Cancel", "Yes" or "No".
QString answerName(Answer answer);

// Where the audiometer's signal comes from.
enum class SignalSource
{
    Internal,
    TapeCdA,
    TapeCdB,
    Microphone,
    SpeechNoise,
};

enum class BonePlacement
{
    Mastoid,
    Forehead,
};

// What a "Set ..." prompt asks the technician to present, in structured form, so a simulated
// technician can apply it to a simulated audiometer without parsing the prompt text.
struct Stimulus
{
    std::optional<TransducerType> transducer; // none when not applicable
    std::optional<Ear> ear;                   // none when not applicable
    QString signal;                           // "tone", "pulsed", "FM", "narrow band", "speech", "off", ...
    double frequencyHz = 0.0;
    double dialLevel = 0.0; // dB HL on the audiometer's dial
    // The earphone that sits on the coupler; none when it is the driven one (or no earphone).
    std::optional<Ear> earOnCoupler;
    // The tone is set up as above but its switch is off: only what leaks through is heard.
    bool toneOff = false;
    SignalSource source = SignalSource::Internal;
    // The dial at the audiometer's lowest setting, whatever that is; dialLevel is then ignored.
    bool audiometerMinimum = false;
    int incidenceDegrees = 0; // sound field: 0, 45 or 90
    bool binaural = false;    // sound field: both speakers
    std::optional<BonePlacement> bonePlacement;
};

// A progress dialog: status text, position and the technician's Cancel.
class Progress
{
public:
    virtual ~Progress() = default;

    virtual void setStatus(const QString &text) = 0;
    virtual void setPosition(int position) = 0;
    // Advances the position by the dialog's step, wrapping to the start at the end of the range.
    virtual void step() = 0;
    // True once the technician has pressed Cancel; the running measurement then stops with 1000.
    virtual bool checkCancel() = 0;
};

// Every message box, question and progress dialog goes through here.
class Interaction
{
public:
    virtual ~Interaction() = default;

    virtual void message(const QString &text) = 0;
    virtual Answer ask(const QString &text, Buttons buttons) = 0;
    virtual Answer askToSet(const QString &text, const Stimulus &stimulus,
                            Buttons buttons = Buttons::OkCancel) = 0;
    virtual std::unique_ptr<Progress> openProgress(const QString &caption, int rangeLow, int rangeHigh,
                                                   int step) = 0;
    // A question with a check box under its buttons, such as "Do not show this dialog again.";
    // `checked` holds the box's state when the question closes. Implementations that cannot show a
    // box ask the plain question and leave it unticked, so the question simply comes again.
    virtual Answer askWithCheckBox(const QString &text, Buttons buttons, const QString &checkBoxText,
                                   bool &checked)
    {
        Q_UNUSED(checkBoxText);
        checked = false;
        return ask(text, buttons);
    }
};

// A progress that shows nothing and is never cancelled, for callers that run without a dialog.
class SilentProgress final : public Progress
{
public:
    void setStatus(const QString &) override {}
    void setPosition(int) override {}
    void step() override {}
    bool checkCancel() override { return false; }
};

} // namespace tonva
