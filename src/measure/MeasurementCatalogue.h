#pragma once

#include "meter/MeterTables.h"
#include "model/AudTestRecord.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tonva {

// The last entry Next Test steps to.
inline constexpr MeasurementEntry kLastMeasurementEntry = MeasurementEntry::SpeechHarmonicDistortion;

// What the window knows of an entry of the Measurements list: the text it shows, the meter mode it
// needs and the transducers it is offered on, in list order.
struct MeasurementListEntry
{
    const char *windowText;
    MeterMode mode;
    QList<TransducerType> transducers;
};

const MeasurementListEntry &measurementListEntry(MeasurementEntry entry);
// The entry at a position of the list (an index from a window or a script); none outside 0..10.
std::optional<MeasurementEntry> measurementEntryAt(int index);
// The texts the Measurements list is filled with.
QStringList measurementListTexts();
// The Transducers list before a measurement is chosen.
QStringList initialTransducerListTexts();
// The Transducers list of a measurement ("Supra-aural Earphone", ...).
QStringList transducerListTexts(MeasurementEntry entry);
QString transducerName(TransducerType transducer);
// The transducer at a position of a measurement's Transducers list; none when out of range.
std::optional<TransducerType> transducerAtPosition(MeasurementEntry entry, int position);
bool isOffered(MeasurementEntry entry, TransducerType transducer);
// Supra-aural, insert and circumaural: the transducers measured on a coupler.
bool isEarphone(TransducerType transducer);
// "Left", "Right" or "Both".
QString earText(Ear ear);

} // namespace tonva
