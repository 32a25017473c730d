#pragma once

#include "platform/PreferenceStore.h"

#include <functional>

namespace tonva {

class SlmLink;

// Presses the meter's keys over the link, to put the band of the frequency under test on its
// display and to switch its display for the pulse and hearing-level pages.
class KeySimulator
{
public:
    explicit KeySimulator(PreferenceStore &preferences) : m_preferences(preferences) {}
    virtual ~KeySimulator() = default;

    // A null link unbinds: every operation then does nothing.
    void Bind(SlmLink *link);
    // Moves the display cursor to the band of a test frequency index. 0, or a link status.
    int SelectBand(int frequencyIndex);
    // View 0, 2 or 4.
    int SetDisplayView(int view);

    // The views the page sets switch to when they are built.
    static constexpr int kHearingLevelView = 2;
    static constexpr int kPulseView = 4;

    int currentBand() const { return m_currentBand; }

    // A meter that stops answering must not keep the page waiting: this many "R155" polls per
    // wait (about as many seconds at the 1 s time-out) end the wait with the last status.
    static constexpr int kMaxReadyPolls = 30;

private:
    bool keysReady();
    int pollUntil(int maxPolls, const std::function<bool()> &done);
    int waitUntilReady(int maxPolls);
    bool displayIdle();
    int press(const char *keys, int times);
    int findLowestBand();

    PreferenceStore &m_preferences;
    SlmLink *m_link = nullptr;
    int m_currentBand = -1;
};

} // namespace tonva
