#pragma once

#include <QString>
#include <functional>

namespace tonva {

class Interaction;

// Characters a booth test name may not hold.
inline constexpr char kIllegalBoothNameCharacters[] = "'#%^&*\"";
bool isLegalBoothTestName(const QString &name);

struct BoothSaveRequest
{
    QString testName;
    // The name the survey was last stored or loaded under; empty for one never stored.
    QString storedName;
    // The survey or its test information changed since it was last stored.
    bool changed = false;
    // The survey holds measured levels.
    bool holdsValues = false;
    // Whether another stored survey already has this name.
    std::function<bool(const QString &name)> nameInUse;
};

enum class BoothSaveDecision
{
    Save,
    NothingChanged,
    Refused, // the technician was told why or said no; the window stays as it is
};

// The questions and refusals of Save and Ok, in the order the technician meets them.
BoothSaveDecision decideBoothSave(const BoothSaveRequest &request, Interaction &interaction);

} // namespace tonva
