#pragma once

#include <QString>
#include <vector>

namespace tonva {

// Decides when a run of meter frequency readings has settled on one value. Readings far from the
// dial frequency are most likely the meter catching noise between tones and are skipped, unless
// nothing else arrives for a long while (then the audiometer is simply that far off).
class FrequencyConsensus
{
public:
    enum class Outcome
    {
        NeedMore,
        Settled,
        Inconsistent,
    };

    explicit FrequencyConsensus(double nominalHz) : m_nominalHz(nominalHz) {}

    Outcome add(double readingHz);

    // The settled frequency; 0 when the readings never agreed.
    double result() const { return m_result; }
    // What to tell the technician when the readings never agreed.
    QString inconsistencyMessage() const;

    static constexpr int kSkipsBeforeAccepting = 20;
    static constexpr int kAcceptedReadings = 7;
    static constexpr int kAgreeing = 3;

private:
    bool plausible(double readingHz) const;

    double m_nominalHz;
    std::vector<double> m_accepted;
    int m_skippedInRow = 0;
    double m_result = 0.0;
};

} // namespace tonva
