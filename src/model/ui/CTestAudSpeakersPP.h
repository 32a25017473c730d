#pragma once

#include "model/ui/SetupPage.h"

class QLineEdit;

namespace tonva {

struct SpeakerData;

// The sound-field speakers of the test, left and right, each with manufacturer, model and serial number.
class CTestAudSpeakersPP final : public SetupPage
{
    Q_OBJECT
public:
    explicit CTestAudSpeakersPP(SetupContext &context, QWidget *parent = nullptr);

    void load() override;
    void collect() override;

private:
    struct Fields
    {
        QLineEdit *manufacturer = nullptr;
        QLineEdit *model = nullptr;
        QLineEdit *serial = nullptr;
    };
    QWidget *buildSide(const QString &title, const QString &side, Fields &fields);
    static void show(const SpeakerData &speaker, const Fields &fields);
    static void take(SpeakerData &speaker, const Fields &fields);

    Fields m_left;
    Fields m_right;
};

} // namespace tonva
