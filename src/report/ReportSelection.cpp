#include "report/ReportSelection.h"

#include <QStringList>

namespace tonva {

QString reportSectionLabel(MeasurementKind kind)
{
    static const char *const labels[kMeasurementKinds] = {
        "Hearing level",     "Frequency accuracy", "Hearing level linearity", "Harmonic distortion",
        "Pulsed tones",      "Cross talk",         "Frequency modulation",    "Narrow band level",
        "Broad band (white) noise", "Speech hearing level"};
    return QString::fromLatin1(labels[static_cast<int>(kind)]);
}

QString reportSummaryName(MeasurementKind kind)
{
    static const char *const names[kMeasurementKinds] = {
        "Hearing Level", "Frequency",            "Linearity",         "Harmonic Distortion", "Pulse",
        "Cross Talk",    "Frequency Modulation", "Narrow Band Level", "Broad Band Noise",    "Speech"};
    return QString::fromLatin1(names[static_cast<int>(kind)]);
}

std::optional<ReportSelection> reportSelectionFromList(const QString &list, QString *error)
{
    static const char *const shortNames[kMeasurementKinds] = {"hl", "freq", "lin",   "dist", "pulse",
                                                              "xtalk", "fm", "nb", "bb", "speech"};
    ReportSelection selection;
    selection.sections.fill(false);
    bool any = false;
    for (const QString &part : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = part.trimmed().toLower();
        int kind = 0;
        while (kind < kMeasurementKinds && name != QLatin1String(shortNames[kind]))
            ++kind;
        if (kind == kMeasurementKinds) {
            if (error) {
                QStringList known;
                for (const char *n : shortNames)
                    known << QString::fromLatin1(n);
                *error = QStringLiteral("unknown section '%1'; the sections are %2").arg(name, known.join(QLatin1Char(',')));
            }
            return std::nullopt;
        }
        selection.sections[static_cast<std::size_t>(kind)] = true;
        any = true;
    }
    if (!any) {
        if (error)
            *error = QStringLiteral("no section named");
        return std::nullopt;
    }
    return selection;
}

} // namespace tonva
