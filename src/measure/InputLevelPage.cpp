#include "measure/InputLevelPage.h"

#include "model/NewTest.h"
#include "model/ReferenceData.h"
#include "platform/PreferenceStore.h"

#include <algorithm>
#include <limits>

namespace tonva {

namespace {

constexpr int kLowFirst = 0;
constexpr int kLowLast = 24;
constexpr int kHighFirst = 25;
constexpr int kHighLast = kFrequencyCount - 1;
constexpr int kBoneFirst = kFirstBoneInputFrequency;
constexpr int kBoneLast = kLastConventionalFrequency;
constexpr int kAirDefault = 70;

std::int16_t toDialLevel(int level)
{
    return static_cast<std::int16_t>(std::clamp(level, int{std::numeric_limits<std::int16_t>::min()},
                                                int{std::numeric_limits<std::int16_t>::max()}));
}

} // namespace

InputLevelPage::InputLevelPage(InputLevelRange range, DialLevels &levels, DialLevels *linkedA,
                               DialLevels *linkedB)
    : m_range(range), m_levels(levels), m_linkedA(linkedA), m_linkedB(linkedB)
{
    std::tie(m_first, m_last) = indexRange(range);
    std::copy(std::begin(levels), std::end(levels), m_fields.begin());
}

QString InputLevelPage::title() const
{
    switch (m_range) {
    case InputLevelRange::Low:
        return QStringLiteral("Low Freq. Input Levels");
    case InputLevelRange::High:
        return QStringLiteral("High Freq. Input Levels");
    case InputLevelRange::Bone:
        break;
    }
    return QStringLiteral("Bone vibrator input levels");
}

int InputLevelPage::field(int frequencyIndex) const
{
    return edits(frequencyIndex) ? m_fields[static_cast<size_t>(frequencyIndex)] : 0;
}

void InputLevelPage::setField(int frequencyIndex, int level)
{
    if (edits(frequencyIndex) && fieldsEnabled())
        m_fields[static_cast<size_t>(frequencyIndex)] = toDialLevel(level);
}

void InputLevelPage::setCommonLevel(int level)
{
    for (int index = m_first; index <= m_last; ++index)
        setField(index, level);
}

std::pair<int, int> InputLevelPage::indexRange(InputLevelRange range)
{
    switch (range) {
    case InputLevelRange::Low:
        return {kLowFirst, kLowLast};
    case InputLevelRange::High:
        return {kHighFirst, kHighLast};
    case InputLevelRange::Bone:
        break;
    }
    return {kBoneFirst, kBoneLast};
}

QString InputLevelPage::boneSettingName(int frequencyIndex)
{
    return boneInputLevelName(frequencyIndex);
}

int InputLevelPage::defaultLevel(InputLevelRange range, int frequencyIndex)
{
    if (range != InputLevelRange::Bone)
        return kAirDefault;
    return defaultBoneInputLevel(frequencyIndex);
}

void InputLevelPage::setToDefaults()
{
    for (int index = m_first; index <= m_last; ++index)
        m_fields[static_cast<size_t>(index)] = toDialLevel(defaultLevel(m_range, index));
}

void InputLevelPage::setUseDefaults(bool useDefaults)
{
    if (m_range != InputLevelRange::Bone)
        return;
    m_useDefaults = useDefaults;
    if (useDefaults)
        setToDefaults();
}

void InputLevelPage::Apply(PreferenceStore *store)
{
    for (int index = m_first; index <= m_last; ++index) {
        const std::int16_t level = m_fields[static_cast<size_t>(index)];
        m_levels[index] = level;
        if (m_linkedA)
            (*m_linkedA)[index] = level;
        if (m_linkedB)
            (*m_linkedB)[index] = level;
    }
    if (m_range != InputLevelRange::Bone || !store)
        return;
    // 250 Hz keeps its own remembered default; the page remembers 315 Hz upwards.
    for (int index = kBoneFirst + 1; index <= kBoneLast; ++index)
        store->writeInt(QStringLiteral("Settings"), boneSettingName(index),
                        m_fields[static_cast<size_t>(index)]);
}

} // namespace tonva
