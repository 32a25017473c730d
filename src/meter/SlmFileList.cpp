#include "meter/SlmFileList.h"

#include "meter/MeterStatus.h"
#include "meter/PumpWait.h"

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
    for (int poll = 0; poll <= kArrivalPolls; ++poll) {
        if (m_port.BytesWaiting() >= count)
            return true;
        if (poll < kArrivalPolls)
            BlockingWait(m_port.clock(), kPauseSeconds);
    }
    return false;
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
                QString::asprintf(
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
