#include "meter/SlmFileList.h"

#include "meter/MeterStatus.h"
#include "meter/PumpWait.h"
#include "platform/TextFormat.h"

#include <algorithm>

namespace tonva {

using namespace meter;

namespace {
constexpr int kAnnounceBytes = 4; // "!", its checksum, CR, LF
constexpr int kArrivalPolls = 30;
constexpr double kPauseSeconds = 0.2;
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

int SlmFileList::BlockTransfer(QByteArrayView text, QByteArray &block, int count, int timeoutSeconds)
{
    block.clear();
    int failures = 0;
    for (;;) {
        QByteArray announce;
        const int status =
            m_exchange.run(text, announce, kAnnounceBytes, timeoutSeconds, CommandExchange::Style::Slow);
        if (status == kOk && announce.startsWith('!') && waitForBytes(count))
            return m_port.ReadBlock(block, count);

        ++failures;
        BlockingWait(m_port.clock(), kPauseSeconds);
        m_port.FlushTransmit();
        m_port.FlushReceive();
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
