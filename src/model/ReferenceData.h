#pragma once

#include "model/AudTestRecord.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace tonva {

// The 39 audiometric test frequencies; their index is the index of every per-frequency array.
const std::array<double, kFrequencyCount> &testFrequencies();
// Display label, right-aligned to four characters (" 160", "1000", "10000").
QString frequencyLabel(int index);
// Value name of a frequency in the preference store. These are names only: several of them do not
// spell their own frequency ("RFREQ_1600" is 1500 Hz), and stored values depend on them as they are.
QString frequencyKey(int index);
// Index of an exact test frequency, or -1.
int frequencyIndex(double hertz);

inline constexpr int kLastConventionalFrequency = 24; // 8000 Hz

// Kind of an earphone model (not the TransducerType numbering).
enum class EarphoneKind : std::int16_t
{
    SupraAural = 0,
    Insert = 1,
    Circumaural = 2
};

// Coupler codes: 1 Lorvat, 2 Kestin, 3 Ospret, 4 Mabrek, 5 Nuvell, 6 Pendry.
// Name of a coupler through the coupler name list; a code that maps outside the list shows "None".
QString couplerName(int code);
// Standard family word used in the compatibility questions ("318-1" or "318.3"; empty for others).
QString couplerFamilyWord(int code);
// The coupler name list as the displays index it: "None", "IEC 318", "NBS 9A", "Ospret", ...
const QStringList &couplerNameList();
int couplerNameListIndex(int code);
bool isCouplerCompatible(int earphoneCouplerCode, int selectedCouplerCode);

// The reference earphones the program knows, in table order. Alternate reference mode 1 uses the
// extra TDH 39 values.
std::vector<EarphoneModel> buildBuiltInEarphones(int alternateMode);

// Constant tables, 39 values each by frequency index (0.0 where none is defined).
enum class ReferenceTable
{
    SoundFieldBinaural0,
    SoundFieldMonaural0,
    SoundFieldMonaural45,
    SoundFieldMonaural90,
    BoneMastoid,
    BoneForehead,
};
const std::array<float, kFrequencyCount> &referenceTable(ReferenceTable table);
// Narrow band correction for indices 0..24; 0 above.
float narrowBandCorrection(int index);
inline constexpr float kSpeechCorrection = 12.5f;

// Frequencies met without a reference level since the last reset, with a flag per transducer type.
class UndefinedReferenceWarning
{
public:
    void reset();
    void add(int frequencyIndex, TransducerType transducer);
    bool isEmpty() const { return m_labels.isEmpty(); }
    bool flagged(TransducerType transducer) const { return m_flags[static_cast<int>(transducer)]; }
    const QStringList &labels() const { return m_labels; }
    // The message naming every undefined frequency; empty when there is none.
    QString text() const;

private:
    QStringList m_labels;
    std::array<bool, kTransducerTypes> m_flags{};
};

struct ReferenceQuery
{
    TransducerType transducer = TransducerType::SupraAural;
    int frequencyIndex = 0;
    MeasurementKind kind = MeasurementKind::HearingLevel;
    int incidence = 0; // 0 = 0 degrees, 1 = 45 degrees, anything else 90 degrees
    bool binaural = false;
    bool forehead = false;
};

// The level a measured level is judged against. Earphones take their reference from the set-up's
// earphone slots; a missing one is noted in `warning` when given (and still used).
float GetReferenceLevel(const TestSetup &setup, const ReferenceQuery &query,
                        UndefinedReferenceWarning *warning = nullptr);

} // namespace tonva
