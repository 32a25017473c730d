#include "meter/SlmFileList.h"

#include "meter/Framing.h"
#include "meter/MeterStatus.h"
#include "meter/PumpWait.h"
#include "platform/TextFormat.h"

#include <algorithm>

namespace tonva {

using namespace meter;

namespace {
// "!", its checksum, CR and LF, with room for flow-control bytes a converter slips in: the announce
// is read to its line end, so that none of its bytes is taken for the start of the record.
constexpr int kAnnounceLineBytes = 32;
constexpr int kArrivalPolls = 30;
constexpr double kPauseSeconds = 0.2;
// After the last byte of a record the line must stay silent this long (plus two characters' time):
// a byte that follows at once means one got into the record on the way and shifted it.
constexpr int kTrailingSilenceMs = 10;
} // namespace

SlmFileList::SlmFileList(ComPort &port, Interaction &interaction)
    : m_port(port), m_interaction(interaction), m_exchange(port)
{}

// No window messages are dispatched while the record streams in: a handler could start another
// exchange on the same port and split the record.
bool SlmFileList::waitForBytes(int count)
{
    // The record gets 30 pauses of 0.2 s to arrive, but a pause ends as soon as more bytes come:
    // a record already on its way costs only its line time.
    Clock &clock = m_port.clock();
    const qint64 deadline = clock.nowMs() + static_cast<qint64>(kArrivalPolls * kPauseSeconds * 1000);
    while (m_port.BytesWaiting() < count) {
        const qint64 left = deadline - clock.nowMs();
        if (left <= 0)
            return false;
        m_port.WaitForInput(static_cast<int>(std::min<qint64>(left, kPauseSeconds * 1000)));
    }
    return true;
}

bool SlmFileList::fetchRecord(QByteArrayView text, QByteArray &block, int count, const RecordCheck &plausible)
{
    if (!waitForBytes(count) || m_port.ReadBlock(block, count) != kOk)
        return false;
    // A line that repeats an earlier announce just ahead of the real one makes the record read
    // after it begin with the real announce.
    if (block.startsWith(framing::frameReply(framing::checksum(text), "!")))
        return false;
    if (m_port.BytesWaiting() > 0)
        return false;
    if (m_port.WaitForInput(kTrailingSilenceMs + m_port.characterTimeMs(2)))
        return false;
    return !plausible || plausible(block);
}

int SlmFileList::BlockTransfer(QByteArrayView text, QByteArray &block, int count, int timeoutSeconds,
                               const RecordCheck &plausible)
{
    block.clear();
    int failures = 0;
    for (;;) {
        QByteArray announce;
        const int status =
            m_exchange.run(text, announce, kAnnounceLineBytes, timeoutSeconds, CommandExchange::Style::Slow);
        if (status == kOk && announce.startsWith('!') && fetchRecord(text, block, count, plausible))
            return kOk;

        block.clear();
        ++failures;
        BlockingWait(m_port.clock(), kPauseSeconds);
        m_port.FlushTransmit();
        // Whatever is still coming belongs to the answer just given up on.
        m_port.DiscardUntilQuiet(m_port.replyTimeout() * 1000);
        if (failures >= kFailuresBeforeAsking) {
            const Answer answer = m_interaction.ask(
                formatText(
                    "Could not download data from Trellan after %d tries!\n Verify that the Trellan is "
                    "powered on, stable, and connected to the PC.\nThen press OK!",
                    failures),
                Buttons::OkCancel);
            if (answer == Answer::Cancel)
                return kBlockFailed;
            failures = 0;
        }
    }
}

} // namespace tonva
