#include "model/ReferenceData.h"

#include "model/FixedText.h"

#include <initializer_list>
#include <utility>

namespace tonva {

namespace {

constexpr std::array<double, kFrequencyCount> kFrequencies = {
    31.5,  63,    125,   160,   200,   250,   315,   400,   500,   630,   750,   800,   1000,
    1250,  1500,  1600,  2000,  2500,  3000,  3150,  4000,  5000,  6000,  6300,  8000,  9000,
    10000, 11000, 11200, 12000, 12500, 13000, 14000, 15000, 16000, 17000, 18000, 19000, 20000};

constexpr std::array<const char *, kFrequencyCount> kLabels = {
    "31.5",  "  63",  " 125",  " 160",  " 200",  " 250",  " 315",  " 400",  " 500",  " 630",
    " 750",  " 800",  "1000",  "1250",  "1500",  "1600",  "2000",  "2500",  "3000",  "3150",
    "4000",  "5000",  "6000",  "6300",  "8000",  "9000",  "10000", "11000", "11200", "12000",
    "12500", "13000", "14000", "15000", "16000", "17000", "18000", "19000", "20000"};

constexpr std::array<const char *, kFrequencyCount> kKeys = {
    "RFREQ_31.5",  "RFREQ_63",   "RFREQ_125",   "RFREQ_160", "RFREQ_200",  "RFREQ_250", "RFREQ_315",
    "RFREQ_400",   "RFREQ_500",  "RFREQ_630",   "RFREQ_750", "RFREQ_800",  "RFREQ_1K",  "RFREQ_1250",
    "RFREQ_1600",  "RFREQ_2K",   "RFREQ_2500",  "RFREQ_3K",  "RFREQ_3150", "RFREQ_4K",  "RFREQ_5K",
    "RFREQ_6K",    "RFREQ_6300", "RFREQ_7500",  "RFREQ_8K",  "RFREQ_9K",   "RFREQ_10K", "RFREQ_11K",
    "RFREQ_11200", "RFREQ_12K",  "RFREQ_12500", "RFREQ_13k", "RFREQ_14k",  "RFREQ_15k", "RFREQ_16K",
    "RFREQ_17K",   "RFREQ_18K",  "RFREQ_19K",   "RFREQ_20K"};

using Table = std::array<float, kFrequencyCount>;
using Points = std::initializer_list<std::pair<double, float>>;

Table tableOf(Points points)
{
    Table table{};
    for (const auto &[hertz, value] : points)
        table[static_cast<std::size_t>(frequencyIndex(hertz))] = value;
    return table;
}

void fill(float (&values)[kFrequencyCount], Points points)
{
    const Table table = tableOf(points);
    std::copy(table.begin(), table.end(), values);
}

bool validIndex(int index)
{
    return index >= 0 && index < kFrequencyCount;
}

} // namespace

const std::array<double, kFrequencyCount> &testFrequencies()
{
    return kFrequencies;
}

QString frequencyLabel(int index)
{
    return validIndex(index) ? QString::fromLatin1(kLabels[static_cast<std::size_t>(index)]) : QString();
}

QString frequencyKey(int index)
{
    return validIndex(index) ? QString::fromLatin1(kKeys[static_cast<std::size_t>(index)]) : QString();
}

int frequencyIndex(double hertz)
{
    for (int i = 0; i < kFrequencyCount; ++i) {
        if (kFrequencies[static_cast<std::size_t>(i)] == hertz)
            return i;
    }
    return -1;
}

const QStringList &couplerNameList()
{
    static const QStringList names = {
        QStringLiteral("None"),   QStringLiteral("IEC 318"), QStringLiteral("NBS 9A"),
        QStringLiteral("Ospret"), QStringLiteral("Mabrek"),  QStringLiteral("Nuvell"),
        QStringLiteral("Lorvat"), QStringLiteral("Kestin"),  QStringLiteral("Pendry")};
    return names;
}

int couplerNameListIndex(int code)
{
    if (code < 3)
        return code + 5;
    if (code > 5)
        return code + 2;
    return code;
}

QString couplerName(int code)
{
    const int index = couplerNameListIndex(code);
    // A damaged or future code must not index past the list; it reads as no coupler.
    if (index < 0 || index >= couplerNameList().size())
        return couplerNameList().front();
    return couplerNameList().at(index);
}

QString couplerFamilyWord(int code)
{
    if (code == 1 || code == 6)
        return QStringLiteral("318-1");
    if (code >= 2 && code <= 5)
        return QStringLiteral("318.3");
    return {};
}

bool isCouplerCompatible(int earphoneCouplerCode, int selectedCouplerCode)
{
    const auto lorvatFamily = [](int code) { return code == 1 || code == 6; };
    return earphoneCouplerCode == selectedCouplerCode ||
           (lorvatFamily(earphoneCouplerCode) && lorvatFamily(selectedCouplerCode));
}

std::vector<EarphoneModel> buildBuiltInEarphones(int alternateMode)
{
    struct Row
    {
        const char *manufacturer;
        const char *model;
        EarphoneKind kind;
        std::int16_t coupler;
        Points values;
    };
    const Row rows[] = {
        {"Telephonics",
         "TDH 39",
         EarphoneKind::SupraAural,
         2,
         {{125, 45},
          {250, 25.5f},
          {500, 11.5f},
          {750, 8},
          {1000, 7},
          {1500, 6.5f},
          {2000, 9},
          {3000, 10},
          {4000, 9.5f},
          {6000, 15.5f},
          {8000, 13}}},
        {"Telephonics",
         "TDH 50/49",
         EarphoneKind::SupraAural,
         2,
         {{125, 47.5f},
          {250, 26.5f},
          {500, 13.5f},
          {750, 8.5f},
          {1000, 7.5f},
          {1500, 7.5f},
          {2000, 11},
          {3000, 9.5f},
          {4000, 10.5f},
          {6000, 13.5f},
          {8000, 13}}},
        {"Sennheiser",
         "HDA 280 ",
         EarphoneKind::SupraAural,
         2,
         {{125, 38.5f},
          {250, 25},
          {500, 13},
          {750, 9},
          {1000, 7.5f},
          {1500, 9.5f},
          {2000, 8},
          {3000, 6.5f},
          {4000, 9.5f},
          {5000, 19},
          {8000, 18},
          {10000, 18.5f},
          {12500, 30}}},
        {"Interacoustics",
         "DD45 318-3",
         EarphoneKind::SupraAural,
         2,
         {{125, 47.5f}, {160, 40.5f}, {200, 33.5f},  {250, 27},   {315, 22.5f}, {400, 17.5f},
          {500, 13},    {630, 9},     {750, 6.5f},   {800, 6.5f}, {1000, 6},    {1250, 7},
          {1500, 8},    {1600, 8},    {2000, 8},     {2500, 8},   {3000, 8},    {3150, 8},
          {4000, 9},    {5000, 10},   {6000, 20.5f}, {6300, 19},  {8000, 12}}},
        {"Interacoustics",
         "DD45 318-1",
         EarphoneKind::SupraAural,
         6,
         {{125, 45.5f},  {160, 39}, {200, 33.5f},  {250, 28},     {315, 23},  {400, 18.5f},
          {500, 14},     {630, 10}, {750, 7.5f},   {800, 7.5f},   {1000, 7},  {1250, 8},
          {1500, 9},     {1600, 9}, {2000, 9.5f},  {2500, 10.5f}, {3000, 11}, {3150, 11.5f},
          {4000, 12.5f}, {5000, 8}, {6000, 18.5f}, {6300, 18},    {8000, 17}}},
        {"Holmberg",
         "HOLMBERG 8103",
         EarphoneKind::SupraAural,
         2,
         {{125, 39.5f},
          {250, 25},
          {500, 18.5f},
          {750, 13.5f},
          {1000, 12},
          {1500, 10},
          {2000, 9.5f},
          {3000, 9},
          {4000, 9},
          {6000, 19.5f},
          {8000, 20}}},
        {"Beyer Dynamic",
         "DT-48",
         EarphoneKind::SupraAural,
         2,
         {{125, 47.5f},
          {250, 28.5f},
          {500, 14.5f},
          {750, 9.5f},
          {1000, 8},
          {1500, 7.5f},
          {2000, 8},
          {3000, 6},
          {4000, 5.5f},
          {6000, 8},
          {8000, 14.5f}}},
        {"Etymotic", "ER-3A", EarphoneKind::Insert, 3, {}},
        {"EARtone", "3A", EarphoneKind::Insert, 5, {}},
        {"EARtone", "5A", EarphoneKind::Insert, 5, {}},
        {"Sennheiser",
         "HDA200",
         EarphoneKind::Circumaural,
         1,
         {{125, 30.5f}, {160, 26},    {200, 22},    {250, 18},     {315, 15.5f},  {400, 13.5f},
          {500, 11},    {630, 8},     {750, 6},     {800, 6},      {1000, 5.5f},  {1250, 6},
          {1500, 5.5f}, {1600, 5.5f}, {2000, 4.5f}, {2500, 3},     {3000, 2.5f},  {3150, 4},
          {4000, 9.5f}, {5000, 14},   {6000, 17},   {6300, 17.5f}, {8000, 17.5f}, {9000, 18.5f},
          {10000, 22},  {11200, 23},  {12500, 28},  {14000, 36},   {16000, 56}}},
        {"Koss",
         "HV/1A",
         EarphoneKind::Circumaural,
         1,
         {{1000, 16},
          {4000, 8},
          {8000, 16.5f},
          {9000, 21},
          {10000, 25.5f},
          {11200, 24.5f},
          {12500, 26},
          {14000, 33},
          {16000, 51}}},
    };

    std::vector<EarphoneModel> earphones;
    for (const Row &row : rows) {
        EarphoneModel earphone;
        setFixedText(earphone.manufacturer, row.manufacturer);
        setFixedText(earphone.model, row.model);
        earphone.kind = static_cast<std::int16_t>(row.kind);
        earphone.couplerCode = row.coupler;
        earphone.builtIn = 1;
        fill(earphone.retspl, row.values);
        earphones.push_back(earphone);
    }
    if (alternateMode == 1) {
        EarphoneModel &tdh39 = earphones.front();
        const Table extra = tableOf({{160, 37.5f},
                                     {200, 31.5f},
                                     {315, 20},
                                     {400, 15},
                                     {630, 8.5f},
                                     {750, 7.5f},
                                     {800, 7},
                                     {1250, 6.5f},
                                     {1600, 7},
                                     {2500, 9.5f},
                                     {3150, 10},
                                     {5000, 13},
                                     {6300, 15}});
        for (int i = 0; i < kFrequencyCount; ++i) {
            if (extra[static_cast<std::size_t>(i)] != 0.0f)
                tdh39.retspl[i] = extra[static_cast<std::size_t>(i)];
        }
    }
    return earphones;
}

const std::array<float, kFrequencyCount> &referenceTable(ReferenceTable table)
{
    static const Table binaural0 =
        tableOf({{125, 22},    {160, 18},     {200, 14.5f}, {250, 11},     {315, 8.5f},   {400, 6},
                 {500, 4},     {630, 2.5f},   {750, 2},     {800, 2},      {1000, 2},     {1250, 1.5f},
                 {1500, 0.5f}, {2000, -1.5f}, {2500, -4},   {3000, -6},    {3150, -6.5f}, {4000, -6.5f},
                 {5000, -3},   {6000, 2.5f},  {6300, 4},    {8000, 11.5f}, {9000, 13.5f}, {10000, 13.5f},
                 {11200, 12},  {12500, 11},   {14000, 16},  {16000, 43.5f}});
    static const Table monaural0 =
        tableOf({{125, 24},      {160, 20},   {200, 16.5f}, {250, 13},   {315, 10.5f},  {400, 8},
                 {500, 6},       {630, 4.5f}, {750, 4},     {800, 4},    {1000, 4},     {1250, 3.5f},
                 {1500, 2.5f},   {1600, 2},   {2000, 0.5f}, {2500, -2},  {3000, -4},    {3150, -4.5f},
                 {4000, -4.5f},  {5000, -1},  {6000, 4.5f}, {6300, 6},   {8000, 13.5f}, {9000, 15.5f},
                 {10000, 15.5f}, {11200, 14}, {12500, 13},  {14000, 18}, {16000, 44.5f}});
    static const Table monaural45 =
        tableOf({{125, 23.5f},  {160, 19},     {200, 15.5f},  {250, 12},   {315, 9},      {400, 5.5f},
                 {500, 3},      {630, 1},      {750, 0.5f},   {800, 0.5f}, {1250, -0.5f}, {1500, -1},
                 {1600, -1.5f}, {2000, -2.5f}, {2500, -5.5f}, {3000, -9},  {3150, -9.5f}, {4000, -8.5f},
                 {5000, -7},    {6000, -3},    {6300, -1.5f}, {8000, 8},   {9000, 10.5f}, {10000, 11},
                 {11200, 10},   {12500, 11.5f}});
    static const Table monaural90 =
        tableOf({{125, 23},     {160, 18.5f},  {200, 15},     {250, 11},  {315, 8},      {400, 4.5f},
                 {500, 1.5f},   {630, -0.5f},  {750, -1},     {800, -1},  {1000, -1.5f}, {1250, -2.5f},
                 {1500, -2.5f}, {1600, -2.5f}, {2000, -1.5f}, {2500, -4}, {3000, -6.5f}, {3150, -6.5f},
                 {4000, -4},    {5000, -5},    {6000, -5},    {6300, -4}, {8000, 5.5f},  {9000, 8.5f},
                 {10000, 9.5f}, {11200, 7},    {12500, 5}});
    static const Table mastoid = tableOf({{250, 67},     {315, 64},  {400, 61},     {500, 58},  {630, 52.5f},
                                          {750, 48.5f},  {800, 47},  {1000, 42.5f}, {1250, 39}, {1500, 36.5f},
                                          {1600, 35.5f}, {2000, 31}, {2500, 29.5f}, {3000, 30}, {3150, 31},
                                          {4000, 35.5f}, {5000, 40}, {6000, 40},    {6300, 40}, {8000, 40}});
    static const Table forehead = tableOf(
        {{250, 79},     {315, 76.5f},  {400, 74.5f},  {500, 72},     {630, 66},     {750, 61.5f},  {800, 59},
         {1000, 51},    {1250, 49},    {1500, 47.5f}, {1600, 46.5f}, {2000, 42.5f}, {2500, 41.5f}, {3000, 42},
         {3150, 42.5f}, {4000, 43.5f}, {5000, 51},    {6000, 51},    {6300, 50},    {8000, 50}});

    switch (table) {
    case ReferenceTable::SoundFieldBinaural0:
        return binaural0;
    case ReferenceTable::SoundFieldMonaural0:
        return monaural0;
    case ReferenceTable::SoundFieldMonaural45:
        return monaural45;
    case ReferenceTable::SoundFieldMonaural90:
        return monaural90;
    case ReferenceTable::BoneMastoid:
        return mastoid;
    case ReferenceTable::BoneForehead:
        break;
    }
    return forehead;
}

float narrowBandCorrection(int index)
{
    if (index < 2 || index > kLastConventionalFrequency)
        return 0.0f; // 31.5 and 63 Hz, and everything above 8000 Hz
    const double hertz = kFrequencies[static_cast<std::size_t>(index)];
    if (hertz <= 500)
        return 4.0f;
    if (hertz <= 800)
        return 5.0f;
    if (hertz <= 3150)
        return 6.0f;
    return 5.0f;
}

void UndefinedReferenceWarning::reset()
{
    m_labels.clear();
    m_flags.fill(false);
}

void UndefinedReferenceWarning::add(int frequencyIndex, TransducerType transducer)
{
    m_flags[static_cast<std::size_t>(transducer)] = true;
    const QString label = frequencyLabel(frequencyIndex);
    if (!m_labels.contains(label))
        m_labels.append(label);
}

QString UndefinedReferenceWarning::text() const
{
    if (m_labels.isEmpty())
        return {};
    // The list grows at the "}" mark: every further label turns it into ", label}".
    QString text =
        QStringLiteral("RETSPL not defined for %s} Hz, \nTest results at these frequencies will be "
                       "incorrect.");
    text.replace(QStringLiteral("%s"), m_labels.front());
    for (qsizetype i = 1; i < m_labels.size(); ++i)
        text.replace(QLatin1Char('}'), QStringLiteral(", ") + m_labels.at(i) + QLatin1Char('}'));
    return text;
}

float GetReferenceLevel(const TestSetup &setup, const ReferenceQuery &query,
                        UndefinedReferenceWarning *warning)
{
    const int f = query.frequencyIndex;
    if (!validIndex(f))
        return 0.0f;

    float value = 0.0f;
    bool warns = false;
    switch (query.transducer) {
    case TransducerType::SupraAural:
        value = setup.supraAural.retspl[f];
        warns = true;
        break;
    case TransducerType::BoneVibrator:
        value = referenceTable(query.forehead ? ReferenceTable::BoneForehead
                                              : ReferenceTable::BoneMastoid)[static_cast<std::size_t>(f)];
        warns = f >= 5 && f <= kLastConventionalFrequency;
        break;
    case TransducerType::Speakers: {
        ReferenceTable table = ReferenceTable::SoundFieldMonaural90;
        if (query.binaural)
            table = ReferenceTable::SoundFieldBinaural0;
        else if (query.incidence == 0)
            table = ReferenceTable::SoundFieldMonaural0;
        else if (query.incidence == 1)
            table = ReferenceTable::SoundFieldMonaural45;
        value = referenceTable(table)[static_cast<std::size_t>(f)];
        break;
    }
    case TransducerType::InsertEarphone:
        value = setup.insert.retspl[f];
        break;
    case TransducerType::Circumaural:
        value = setup.circumaural.retspl[f];
        warns = true;
        break;
    }

    if (warns && value < 0.00001f && warning)
        warning->add(f, query.transducer);

    if (query.kind == MeasurementKind::SpeechHearingLevel)
        return value + kSpeechCorrection;
    if (query.kind == MeasurementKind::NarrowBandLevel)
        return value + narrowBandCorrection(f);
    return value;
}

} // namespace tonva
