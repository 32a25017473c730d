#pragma once

#include "sim/AcousticScene.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tonva {

// The scene's sound as one line of JSON, as the scene control channel carries it:
//   {"sound":"silence"}
//   {"sound":"tone","frequencyHz":1000,"splDb":94,"harmonicsDb":[..4..],
//    "fm":{"rateHz":5,"deviationPercent":10},"pulse":{"riseMs":..,"fallMs":..,"onMs":..,"offMs":..,"offLevelDb":..}}
//   {"sound":"noise","bandLevelsDb":[..33 third-octave band levels..]}
// "harmonicsDb", "fm" and "pulse" may be left out.
QByteArray soundToJson(const Sound &sound);
// Refuses anything the scene could not take: unknown kinds and keys, missing or non-finite
// numbers, and values outside what an audiometer and a meter can produce.
std::optional<Sound> soundFromJson(const QByteArray &json, QString *error = nullptr);

} // namespace tonva
