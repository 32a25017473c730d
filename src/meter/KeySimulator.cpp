#include "meter/KeySimulator.h"

#include "meter/MeterStatus.h"
#include "meter/MeterTables.h"
#include "meter/SlmLink.h"

namespace tonva {

using namespace meter;

namespace {
constexpr int kReadyLevel = 8;
constexpr int kKeyReplyBytes = 8;
constexpr int kHomeRounds = 8;
constexpr int kHomeFailures = 5;
constexpr int kViewPolls = 11;
constexpr qint64 kKeyPauseMs = 20;
} // namespace

void KeySimulator::Bind(SlmLink *link)
{
    m_link = link;
    m_currentBand = -1;
}

bool KeySimulator::keysReady()
{
    QByteArray reply;
    return m_link->Command("R155", &reply, kKeyReplyBytes, 1) == kOk && leadingInteger(reply) >= kReadyLevel;
}

int KeySimulator::pollUntil(int maxPolls, const std::function<bool()> &done)
{
    for (int poll = 0; poll < maxPolls; ++poll) {
        if (done())
            return kOk;
    }
    return m_link->status() != kOk ? m_link->status() : kNoReply;
}

int KeySimulator::waitUntilReady(int maxPolls)
{
    return pollUntil(maxPolls, [this] { return keysReady(); });
}

bool KeySimulator::displayIdle()
{
    QByteArray reply;
    return m_link->Command("R3,2", &reply, kKeyReplyBytes, 1) == kOk && reply.startsWith(' ');
}

int KeySimulator::press(const char *keys, int times)
{
    for (int i = 0; i < times; ++i) {
        if (i > 0)
            m_link->clock().sleep(kKeyPauseMs);
        if (m_link->Command(keys, nullptr, kKeyReplyBytes, 1) != kOk)
            return m_link->status();
    }
    return kOk;
}

// "K 77777" runs the cursor down; enough of them leave it on band 0 wherever it stood.
int KeySimulator::findLowestBand()
{
    int failures = 0;
    for (int round = 0; round < kHomeRounds; ++round) {
        for (int polls = 1;; ++polls) {
            QByteArray reply;
            const int status = m_link->Command("R155", &reply, kKeyReplyBytes, 1);
            if (status == kOk && leadingInteger(reply) >= kReadyLevel)
                break;
            if (status != kOk && ++failures >= kHomeFailures)
                return status;
            if (polls >= kMaxReadyPolls)
                return status != kOk ? status : kNoReply;
        }
        if (m_link->Command("K 77777", nullptr, kKeyReplyBytes, 1) != kOk)
            return m_link->status();
    }
    m_currentBand = 0;
    return kOk;
}

int KeySimulator::SelectBand(int frequencyIndex)
{
    if (!m_link)
        return kOk;
    if (m_currentBand < 0) {
        if (const int status = findLowestBand(); status != kOk)
            return status;
    }
    const int target = bandOfTestFrequency(frequencyIndex);
    if (target < 0)
        return kOk;
    m_link->port().FlushTransmit();

    if (const int status = waitUntilReady(kMaxReadyPolls); status != kOk)
        return status;
    const bool down = target <= m_currentBand;
    const int status = down ? press("k 7", m_currentBand - target) : press("K 8", target - m_currentBand);
    if (status != kOk) {
        m_currentBand = -1; // the cursor stopped somewhere along the way
        return status;
    }
    if (const int ready = waitUntilReady(kMaxReadyPolls); ready != kOk)
        return ready;
    m_currentBand = target;
    return kOk;
}

int KeySimulator::SetDisplayView(int view)
{
    if (!m_link)
        return kOk;
    pollUntil(kViewPolls, [this] { return displayIdle(); });
    m_link->Command("K 1919", nullptr, kKeyReplyBytes, 1);
    waitUntilReady(kViewPolls);

    if (view == 2 || view == 4) {
        const int last = m_preferences.read(preference::LastFm);
        m_preferences.write(preference::LastFm, view);
        if (last != 0)
            view = view == last ? 4 : 2;
    }
    switch (view) {
    case 0:
        m_link->Command("K 80", nullptr, kKeyReplyBytes, 1);
        break;
    case 2:
        m_link->Command("k 6608", nullptr, kKeyReplyBytes, 1);
        break;
    case 4:
        m_link->Command("K 660", nullptr, kKeyReplyBytes, 1);
        break;
    default:
        break;
    }
    return pollUntil(kMaxReadyPolls, [this] { return keysReady() || displayIdle(); });
}

} // namespace tonva
