#include "measure/BoneConductionCorrection.h"

#include "model/FixedText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

namespace tonva {

namespace {

constexpr int kKestinCoupler = 2;
constexpr int kLorvatCoupler = 1;
constexpr int kPendryCoupler = 6;
// Records written before the Lorvat and Pendry arrays existed kept the Kestin one only.
constexpr int kFirstLayoutWithCouplerArrays = 147;

// The maker's tables cover 250 Hz (frequency index 5) to 8000 Hz (index 24), twenty frequencies.
constexpr int kFirstTableIndex = 5;
constexpr int kTableFrequencies = 20;
constexpr int kTableSets = 3;
constexpr std::array<double, 3> kGridCelsius = {18.0, 23.0, 28.0};
constexpr std::array<double, 4> kGridHumidity = {30.0, 50.0, 70.0, 90.0};
constexpr double kLowestCelsius = 17.0;
constexpr double kHighestCelsius = 29.0;
constexpr int kTemperatureRows = 13;
// Below this a grid step is taken as flat. The tables hold tenths, so a step of exactly one tenth
// must not fall under it by a rounding error.
constexpr double kGridResolutionDb = 0.1 - 1e-9;
constexpr double kStandardKilopascals = 101.325;
constexpr double kStandardMillimetres = 760.0;

// How much a table set departs from the first: the three sets cover mastoid builds whose
// sensitivity to the room differs.
constexpr std::array<double, kTableSets> kSetScale = {1.0, 0.85, 1.15};

double tenths(double value)
{
    return std::round(value * 10.0) / 10.0;
}

// Position of a table frequency along the list, 0 at 250 Hz and 1 at 8000 Hz.
double along(int j)
{
    return static_cast<double>(j) / (kTableFrequencies - 1);
}

using Grid = std::array<std::array<std::array<std::array<double, kTableFrequencies>, 4>, 3>, kTableSets>;
using TemperatureTable = std::array<std::array<std::array<double, kTableFrequencies>, kTemperatureRows>, kTableSets>;
using PressureTable = std::array<std::array<double, 3>, kTableFrequencies>;

// The humidity/temperature grid of the maker's calibration sheets, in tenths of a decibel; zero at
// 28 degrees and 50 % where the mastoids are calibrated.
const Grid &humidityGrid()
{
    static const Grid grid = [] {
        Grid values{};
        for (int s = 0; s < kTableSets; ++s)
            for (int t = 0; t < 3; ++t)
                for (int h = 0; h < 4; ++h)
                    for (int j = 0; j < kTableFrequencies; ++j) {
                        const double warmth = (28.0 - kGridCelsius[t]) / 10.0 * (-0.2 + 0.5 * along(j));
                        const double moisture = (kGridHumidity[h] - 50.0) / 40.0 * 0.2;
                        values[s][t][h][j] = tenths(kSetScale[s] * (warmth + moisture));
                    }
        return values;
    }();
    return grid;
}

// Rows for 17 to 29 degrees; the effect is strongest at the low frequencies.
const TemperatureTable &temperatureTable()
{
    static const TemperatureTable table = [] {
        TemperatureTable values{};
        for (int s = 0; s < kTableSets; ++s)
            for (int r = 0; r < kTemperatureRows; ++r)
                for (int j = 0; j < kTableFrequencies; ++j) {
                    const double at250 = -5.6 + r * (10.4 / (kTemperatureRows - 1));
                    values[s][r][j] = tenths(kSetScale[s] * at250 * (1.0 - 0.6 * along(j)));
                }
        return values;
    }();
    return table;
}

// dB per kPa, by frequency and coupler column (Kestin, Lorvat, Pendry).
const PressureTable &pressureCoefficients()
{
    static const PressureTable table = [] {
        constexpr std::array<double, 3> at250 = {0.0714, 0.0960, 0.0531};
        constexpr std::array<double, 3> at8000 = {0.0904, 0.0971, 0.0963};
        PressureTable values{};
        for (int j = 0; j < kTableFrequencies; ++j)
            for (int c = 0; c < 3; ++c)
                values[j][c] = std::round((at250[c] + (at8000[c] - at250[c]) * along(j)) * 1e4) / 1e4;
        return values;
    }();
    return table;
}

int pressureColumn(int couplerCode)
{
    switch (couplerCode) {
    case kKestinCoupler:
        return 0;
    case kLorvatCoupler:
        return 1;
    case kPendryCoupler:
        return 2;
    default:
        return -1;
    }
}

double humidityTerm(int set, double celsius, double humidity, int j)
{
    const Grid &grid = humidityGrid();
    int lowRow = 0;
    int highRow = 1;
    if (celsius >= 27.0) {
        lowRow = highRow = 2;
    } else if (celsius >= 23.0) {
        lowRow = 1;
        highRow = 2;
    }
    const int lowColumn = humidity < 50.0 ? 0 : humidity < 70.0 ? 1 : 2;
    // Outside 30 to 90 % the weight leaves 0..1: the outer pairs extrapolate.
    const double weight = (humidity - kGridHumidity[lowColumn]) / 20.0;
    const auto at = [&](int row, int column) { return grid[set][row][column][j]; };
    double low = at(lowRow, lowColumn);
    double high = at(highRow, lowColumn);
    const bool lowFlat = std::abs(at(lowRow, lowColumn + 1) - low) < kGridResolutionDb;
    const bool highFlat = std::abs(at(highRow, lowColumn + 1) - high) < kGridResolutionDb;
    if (!(lowFlat && highFlat)) {
        low += weight * (at(lowRow, lowColumn + 1) - low);
        high += weight * (at(highRow, lowColumn + 1) - high);
    }
    if (std::abs(high - low) < kGridResolutionDb || celsius <= 18.0 || celsius >= 28.0)
        return low;
    const double temperatureWeight = celsius < 23.0 ? (celsius - 18.0) / 5.0 : (celsius - 23.0) / 5.0;
    return low + temperatureWeight * (high - low);
}

} // namespace

bool isMervaneMastoid(const MastoidData &mastoid)
{
    return displayText(mastoid.identity.manufacturer).trimmed().compare(QLatin1String("Mervane"),
                                                                        Qt::CaseInsensitive) == 0;
}

int environmentalTableSet(const MastoidData &mastoid)
{
    // Read as the calibration sheets number them: the leading digits, anything else is 0.
    const std::string serial(trimmedText(fixedText(mastoid.identity.serialNumber)));
    const long number = std::strtol(serial.c_str(), nullptr, 10);
    return number < 4000 ? 1 : number < 5000 ? 2 : 3;
}

double pressureInKilopascals(double pressure)
{
    double millimetres = 0.0;
    if (pressure < 36.0)
        millimetres = pressure * 25.4;
    else if (pressure > 500.0)
        millimetres = pressure;
    else
        return pressure;
    return millimetres / kStandardMillimetres * kStandardKilopascals;
}

EnvironmentalCorrection environmentalCorrection(int tableSet, int couplerCode, int frequencyIndex,
                                                const TestConditions &room)
{
    const int j = frequencyIndex - kFirstTableIndex;
    if (j < 0 || j >= kTableFrequencies || tableSet < 1 || tableSet > kTableSets)
        return {};
    const int set = tableSet - 1;
    // A room that is no number is taken as the calibration room rather than spreading NaN.
    const double stored = std::isfinite(room.temperature) ? room.temperature : 23.0;
    const double celsius = std::clamp(stored, kLowestCelsius, kHighestCelsius);
    double humidity = room.humidity;
    // Old records keep the humidity as the grid's column number.
    if (room.humidity >= 0 && room.humidity <= 3)
        humidity = kGridHumidity[static_cast<std::size_t>(room.humidity)];

    EnvironmentalCorrection correction;
    correction.humidity = humidityTerm(set, celsius, humidity, j);
    const int row = static_cast<int>(std::lround(celsius - kLowestCelsius));
    correction.temperature = temperatureTable()[set][row][j];
    if (const int column = pressureColumn(couplerCode); column >= 0 && std::isfinite(room.pressure))
        correction.pressure =
            pressureCoefficients()[j][column] * (pressureInKilopascals(room.pressure) - kStandardKilopascals);
    return correction;
}

MastoidCorrection mastoidCorrection(const TestSetup &setup, int f)
{
    MastoidCorrection correction;
    if (f < 0 || f >= kFrequencyCount)
        return correction;
    const MastoidData &mastoid = setup.mastoid;
    if (!isMervaneMastoid(mastoid)) {
        correction.response = mastoid.kestinResponse[f];
        const int slot = setup.transducerOptions.calibrationMicrophoneSlot;
        const double microphone =
            slot >= 0 && slot < kCouplerMicrophoneSlots ? setup.couplerMicrophone[slot].sensitivity : 0.0;
        correction.sensitivity = -20.0 * std::log10(20.0 * microphone / mastoid.sensitivity);
        return correction;
    }
    const int coupler = setup.transducerOptions.mastoidCouplerCode;
    const bool oldLayout = setup.layoutVersion > 0 && setup.layoutVersion < kFirstLayoutWithCouplerArrays;
    if (coupler == kKestinCoupler || oldLayout)
        correction.response = mastoid.kestinResponse[f];
    else if (coupler == kLorvatCoupler)
        correction.response = mastoid.lorvatResponse[f];
    else if (coupler == kPendryCoupler)
        correction.response = mastoid.pendryResponse[f];
    if (coupler > 0 && coupler < kCouplerMicrophoneSlots)
        correction.microphone = setup.couplerMicrophone[coupler].response[f];
    const EnvironmentalCorrection room = environmentalCorrection(
        environmentalTableSet(mastoid), coupler, f, {setup.temperature, setup.pressure, setup.humidity});
    correction.temperature = room.temperature;
    correction.humidity = room.humidity;
    correction.pressure = room.pressure;
    return correction;
}

QString mastoidRefusal(const TestSetup &setup)
{
    if (isMervaneMastoid(setup.mastoid))
        return {};
    const int slot = setup.transducerOptions.calibrationMicrophoneSlot;
    const double microphone =
        slot >= 0 && slot < kCouplerMicrophoneSlots ? setup.couplerMicrophone[slot].sensitivity : 0.0;
    const double mastoid = setup.mastoid.sensitivity;
    if (mastoid > 0.0 && microphone > 0.0 && std::isfinite(mastoid) && std::isfinite(microphone))
        return {};
    return QStringLiteral("Unable to measure bone vibrator levels with the mastoid %1 %2 S/N %3:\nits sensitivity "
                          "(%4) or that of the microphone that calibrated the Trellan (%5) is not above 0.\n\n"
                          "Enter both sensitivities in Equipment Setup.")
        .arg(displayText(setup.mastoid.identity.manufacturer).trimmed(),
             displayText(setup.mastoid.identity.model).trimmed(),
             displayText(setup.mastoid.identity.serialNumber).trimmed(), QString::number(mastoid),
             QString::number(microphone));
}

} // namespace tonva
