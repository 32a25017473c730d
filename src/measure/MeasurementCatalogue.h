#pragma once

#include "meter/MeterTables.h"
#include "model/AudTestRecord.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tonva {

// Entries of the Measurements list; index 10 is the last one Next Test steps to.
inline constexpr int kMeasurementEntries = 11;
inline constexpr int kLastMeasurementEntry = kMeasurementEntries - 1;

// One entry of the Measurements list: the text the window shows, the meter mode it needs (the index
// itself is the test kind) and the transducers it is offered on, in list order.
struct MeasurementEntry
{
    const char *windowText;
    MeterMode mode;
    QList<TransducerType> transducers;
};

// Null for an index outside 0..10.
const MeasurementEntry *measurementEntry(int index);
// The texts the Measurements list is filled with.
QStringList measurementListTexts();
// The Transducers list before a measurement is chosen.
QStringList initialTransducerListTexts();
// The Transducers list of a measurement ("Supra-aural Earphone", ...).
QStringList transducerListTexts(int index);
QString transducerName(TransducerType transducer);
// The transducer at a position of a measurement's Transducers list; none when out of range.
std::optional<TransducerType> transducerAtPosition(int index, int position);
bool isOffered(int index, TransducerType transducer);
// Supra-aural, insert and circumaural: the transducers measured on a coupler.
bool isEarphone(TransducerType transducer);
// "Left", "Right" or "Both".
QString earText(int ear);

} // namespace tonva
