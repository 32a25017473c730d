#include "app/TestNotes.h"

#include "model/FixedText.h"
#include "platform/Cp1252.h"

#include <cstring>

namespace tonva {

namespace {

const char *const kItemLabels[kChecklistItems] = {
    "Left earphone",
    "Right earphone",
    "Left earphone cushion",
    "Right earphone cushion",
    "Left earphone cord",
    "Right earphone cord",
    "Headband",
    "Bone vibrator",
    "Bone vibrator cord",
    "Power cord",
    "Tone 'On' lamp",
    "Power 'On' lamp",
    "Attenuator",
    "Masking control",
    "Volume control",
    "Power switch",
    "Fuse",
    "Tone interrupter",
    "Tone reverse switch",
    "Freq. selector switch",
    "Earphone selector switch",
    "Response card",
    "Output seletor switch",
    "Ch. 1 input selector switch",
    "Ch. 2 input selector switch",
    "Function selector switch",
    "Microphone",
    "Monitor earphone/speaker",
    "Manual pulse tone control",
    "VU meter",
};

QByteArray recordText(const QString &text)
{
    QString lines = text;
    lines.remove(QChar(0));
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return Cp1252::fromUnicode(lines);
}

} // namespace

QString visualCheckItemLabel(int index)
{
    return index >= 0 && index < kChecklistItems ? QString::fromLatin1(kItemLabels[index]) : QString();
}

QByteArray commentBytes(const QString &text, int maxBytes)
{
    QByteArray bytes = recordText(text);
    if (bytes.size() <= maxBytes)
        return bytes;
    // Cut after converting, so the limit is the record's bytes; a cut between CR and LF would leave
    // a line end that is neither.
    const bool splitsPair = maxBytes > 0 && bytes[maxBytes - 1] == '\r' && bytes[maxBytes] == '\n';
    bytes.truncate(splitsPair ? maxBytes - 1 : maxBytes);
    return bytes;
}

int storedCommentLength(const QString &text)
{
    return int(recordText(text).size());
}

TestNotes TestNotes::read(const InspectionChecklist &checklist)
{
    TestNotes notes;
    for (int i = 0; i < kChecklistItems; ++i)
        notes.states[std::size_t(i)] = VisualCheckState(checklist.visualCheck[i]);
    notes.comments = displayText(checklist.comments);
    notes.comments.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return notes;
}

bool TestNotes::store(InspectionChecklist &checklist) const
{
    const InspectionChecklist before = checklist;
    for (int i = 0; i < kChecklistItems; ++i)
        checklist.visualCheck[i] = std::int32_t(states[std::size_t(i)]);
    const QByteArray bytes = commentBytes(comments);
    setFixedText(checklist.comments, std::string_view(bytes.constData(), std::size_t(bytes.size())));
    return std::memcmp(&before, &checklist, sizeof checklist) != 0;
}

} // namespace tonva
