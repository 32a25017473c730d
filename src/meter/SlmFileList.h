#pragma once

#include "meter/ComPort.h"
#include "meter/CommandExchange.h"
#include "platform/Interaction.h"

#include <QByteArray>
#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace tonva {

// One entry of the meter's file list: directory text, then a data area.
struct IDCorvelDirRec
{
    static constexpr int kDirectoryWords = 12;
    static constexpr int kDataBytes = 513;

    IDCorvelDirRec() { directory.fill(' '); }

    std::array<char, kDirectoryWords * 4> directory;
    std::array<quint8, kDataBytes> data{};
};

// The files stored in the meter, and the binary block transfer of records such as "&R1".
class SlmFileList
{
public:
    SlmFileList(ComPort &port, Interaction &interaction);

    ComPort &port() const { return m_port; }

    // Tells whether a record that arrived whole can be what the meter sent.
    using RecordCheck = std::function<bool(QByteArrayView record)>;

    // Sends `text` slowly, expects "!", then collects exactly `count` bytes. A record with bytes
    // trailing it, or one `plausible` refuses, came through a noisy line and is fetched again.
    // After every 5th failure in a row the technician decides whether to go on. Returns 0 or -21.
    int BlockTransfer(QByteArrayView text, QByteArray &block, int count, int timeoutSeconds,
                      const RecordCheck &plausible = {});

    const std::vector<std::unique_ptr<IDCorvelDirRec>> &entries() const { return m_entries; }
    void add(std::unique_ptr<IDCorvelDirRec> entry) { m_entries.push_back(std::move(entry)); }
    void clear() { m_entries.clear(); }

    static constexpr int kFailuresBeforeAsking = 5;

private:
    bool waitForBytes(int count);
    bool fetchRecord(QByteArrayView text, QByteArray &block, int count, const RecordCheck &plausible);

    ComPort &m_port;
    Interaction &m_interaction;
    CommandExchange m_exchange;
    std::vector<std::unique_ptr<IDCorvelDirRec>> m_entries;
};

} // namespace tonva
