#include "measure/FrequencyConsensus.h"

#include "platform/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace tonva {

namespace {

// Kept a double: a garbled reply can read as a number no integer type holds, and converting that
// would make unrelated readings look alike.
double wholeHertz(double hertz)
{
    return std::trunc(hertz);
}

} // namespace

bool FrequencyConsensus::plausible(double readingHz) const
{
    if (m_nominalHz <= 0.0)
        return false;
    const double ratio = readingHz / m_nominalHz;
    return ratio > 0.75 && ratio < 1.25;
}

FrequencyConsensus::Outcome FrequencyConsensus::add(double readingHz)
{
    if (!plausible(readingHz) && m_skippedInRow < kSkipsBeforeAccepting) {
        ++m_skippedInRow;
        return Outcome::NeedMore;
    }
    m_skippedInRow = 0;
    m_accepted.push_back(readingHz);

    const std::size_t count = m_accepted.size();
    if (count >= kAgreeing && std::all_of(m_accepted.end() - kAgreeing, m_accepted.end(), [&](double value) {
            return wholeHertz(value) == wholeHertz(readingHz);
        })) {
        m_result = readingHz;
        return Outcome::Settled;
    }
    if (count < kAcceptedReadings)
        return Outcome::NeedMore;

    for (double candidate : m_accepted) {
        const auto agreeing = std::count_if(m_accepted.begin(), m_accepted.end(), [&](double value) {
            return wholeHertz(value) == wholeHertz(candidate);
        });
        if (agreeing >= kAgreeing) {
            m_result = candidate;
            return Outcome::Settled;
        }
    }
    m_result = 0.0;
    return Outcome::Inconsistent;
}

QString FrequencyConsensus::inconsistencyMessage() const
{
    QString text = QStringLiteral("Unable to get a consistent frequency reading.\nThese are the frequencies "
                                  "that were read in 5 tries:\n");
    for (std::size_t i = 0; i < 5; ++i)
        text += formatText("     %.1f\n", i < m_accepted.size() ? m_accepted[i] : 0.0);
    return text;
}

} // namespace tonva
