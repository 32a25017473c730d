#include "ambient/BoothSave.h"

#include "platform/Interaction.h"

namespace tonva {

bool isLegalBoothTestName(const QString &name)
{
    for (const char c : kIllegalBoothNameCharacters) {
        if (c != '\0' && name.contains(QLatin1Char(c)))
            return false;
    }
    return true;
}

BoothSaveDecision decideBoothSave(const BoothSaveRequest &request, Interaction &interaction)
{
    if (!request.changed)
        return BoothSaveDecision::NothingChanged;
    const QString name = request.testName.trimmed();
    if (name.isEmpty()) {
        interaction.message(QStringLiteral("You must enter a booth test name."));
        return BoothSaveDecision::Refused;
    }
    if (name != request.storedName.trimmed() && request.nameInUse && request.nameInUse(name)) {
        const QString question = QStringLiteral("The booth test name \"%1\"\nis already used for an ambient record "
                                                "in the database.\nDo you wish to overwrite it?")
                                     .arg(name);
        if (interaction.ask(question, Buttons::YesNo) != Answer::Yes)
            return BoothSaveDecision::Refused;
    }
    if (!isLegalBoothTestName(name)) {
        interaction.message(QStringLiteral("Illegal character in the test name.\n\nThese characters are not "
                                           "valid:   '% ^ \" & * #\n\nPlease re-enter the name."));
        return BoothSaveDecision::Refused;
    }
    if (request.holdsValues &&
        interaction.ask(QStringLiteral("Saving measurement will overwrite previous Ambient values. Continue?"),
                        Buttons::YesNo) != Answer::Yes)
        return BoothSaveDecision::Refused;
    return BoothSaveDecision::Save;
}

} // namespace tonva
