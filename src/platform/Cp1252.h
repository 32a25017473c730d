#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tonva {

// Stored texts and the meter speak Windows code page 1252; the interface speaks Unicode.
// Conversion happens only at that boundary.
namespace Cp1252 {

QString toUnicode(QByteArrayView bytes);
// Characters the code page cannot hold become '?'.
QByteArray fromUnicode(const QString &text);

} // namespace Cp1252
} // namespace tonva
