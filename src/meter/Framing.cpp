#include "meter/Framing.h"

namespace tonva::framing {

namespace {
int printableSum(QByteArrayView text)
{
    int sum = 0;
    for (const char c : text) {
        // A signed char of 128 and above is negative and so excluded, as the meter does.
        if (static_cast<signed char>(c) >= 32)
            sum += c;
    }
    return sum;
}

char lift(int sum)
{
    int value = sum % 128;
    if (value < 32)
        value += 64;
    return static_cast<char>(value);
}
} // namespace

char checksum(QByteArrayView text)
{
    return lift(printableSum(text));
}

char replyChecksum(char commandChecksum, QByteArrayView replyText)
{
    return lift(static_cast<unsigned char>(commandChecksum) + printableSum(replyText));
}

QByteArray frameCommand(QByteArrayView text)
{
    QByteArray frame(text.data(), text.size());
    frame.append(checksum(text));
    frame.append(kCR);
    frame.append(kLF);
    return frame;
}

QByteArray frameReply(char commandChecksum, QByteArrayView replyText)
{
    QByteArray frame(replyText.data(), replyText.size());
    frame.append(replyChecksum(commandChecksum, replyText));
    frame.append(kCR);
    frame.append(kLF);
    return frame;
}

qsizetype replyChecksumPosition(QByteArrayView line)
{
    qsizetype pos = line.size();
    for (qsizetype i = line.size() - 1; i >= 0; --i) {
        if (line[i] == kCR || line[i] == kLF) {
            pos = i;
            break;
        }
    }
    // Step back from the line end (or the end) to the checksum, over control characters and over
    // high bytes, which are never a checksum (it is always printable).
    --pos;
    while (pos >= 0 && static_cast<signed char>(line[pos]) < 32)
        --pos;
    return pos;
}

} // namespace tonva::framing
