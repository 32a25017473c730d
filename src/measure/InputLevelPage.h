#pragma once

#include "model/InstrumentRecords.h"

#include <QString>
#include <array>
#include <cstdint>
#include <utility>

namespace tonva {

class PreferenceStore;

using DialLevels = std::int16_t[kFrequencyCount];

// The three input-level pages: which frequencies each edits and what its defaults are.
enum class InputLevelRange
{
    Low,  // 31.5 Hz to 8000 Hz
    High, // 9000 Hz to 20000 Hz
    Bone, // 250 Hz to 8000 Hz
};

// One input-level page: the dial level per frequency that the technician edits, taken into the
// transducer's levels and copied into the linked blocks when the page is applied. Nothing reaches
// the record before Apply(), so leaving a page half-edited by Cancel changes nothing.
class InputLevelPage
{
public:
    // `linkedA` and `linkedB` may be null.
    InputLevelPage(InputLevelRange range, DialLevels &levels, DialLevels *linkedA, DialLevels *linkedB);

    QString title() const;
    int firstIndex() const { return m_first; }
    int lastIndex() const { return m_last; }
    bool edits(int frequencyIndex) const { return frequencyIndex >= m_first && frequencyIndex <= m_last; }

    // The field of a frequency this page edits; 0 for any other.
    int field(int frequencyIndex) const;
    // Levels are 16-bit in the record; a value beyond that range is held at its limit.
    void setField(int frequencyIndex, int level);
    // The common-level button: every field of the page gets `level`.
    void setCommonLevel(int level);
    void setToDefaults();
    static int defaultLevel(InputLevelRange range, int frequencyIndex);
    // The first and last frequency index a page of `range` edits.
    static std::pair<int, int> indexRange(InputLevelRange range);
    // The preference value under which a bone level is remembered for the next test.
    static QString boneSettingName(int frequencyIndex);

    // Bone page only: while "Use defaults" is checked the fields hold the defaults and are disabled.
    void setUseDefaults(bool useDefaults);
    bool fieldsEnabled() const { return !m_useDefaults; }

    // Takes the fields into the levels and the linked blocks. The bone page also remembers them as
    // the next test's defaults when given a store.
    void Apply(PreferenceStore *store = nullptr);

private:
    InputLevelRange m_range;
    int m_first;
    int m_last;
    DialLevels &m_levels;
    DialLevels *m_linkedA;
    DialLevels *m_linkedB;
    std::array<std::int16_t, kFrequencyCount> m_fields{};
    bool m_useDefaults = false;
};

} // namespace tonva
