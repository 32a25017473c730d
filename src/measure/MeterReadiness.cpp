#include "measure/MeterReadiness.h"

#include "meter/SlmLink.h"
#include "platform/Interaction.h"

namespace tonva {

bool ReadyMeterForTest(SlmLink &link, Interaction &interaction, MeterMode mode, int kind,
                       const QString &question, Progress *progress, const QString &status)
{
    for (;;) {
        if (progress && !status.isEmpty())
            progress->setStatus(status);
        if (link.SetupMeterForTest(mode, kind, true) != 0)
            return true;
        if (interaction.ask(question, Buttons::OkCancel) != Answer::Ok)
            return false;
    }
}

} // namespace tonva
