#pragma once

#include "model/MeasurementResults.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace tonva {

// What the technician found on one inspected part; the value is what the record stores.
enum class VisualCheckState : std::int32_t
{
    Passed = 0,
    Failed = 1,
    NotApplicable = 2
};

// The comments field takes this many characters; the record keeps one fewer and its terminator.
inline constexpr int kCommentFieldLength = 512;

// "Left earphone", ... "VU meter": the notes page's label of each inspected part.
QString visualCheckItemLabel(int index);

// The notes of a test as the notes view edits them: nothing reaches the record before Ok.
struct TestNotes
{
    std::array<VisualCheckState, kChecklistItems> states{};
    QString comments; // lines separated by '\n'

    static TestNotes read(const InspectionChecklist &checklist);
    // Writes states and comments back; true when the record changed.
    bool store(InspectionChecklist &checklist) const;
};

// The comment as the record holds it: code page 1252, CR LF between lines, at most `maxBytes`
// bytes, never ending in the CR of a pair whose LF was cut off.
QByteArray commentBytes(const QString &text, int maxBytes = kCommentFieldLength - 1);
// The length the field's text has once stored, line ends counted as two.
int storedCommentLength(const QString &text);

} // namespace tonva
