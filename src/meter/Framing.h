#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace tonva::framing {

constexpr char kCR = 13;
constexpr char kLF = 10;
constexpr char kBEL = 7;
constexpr char kXON = 17;
constexpr char kXOFF = 19;

// One printable character: the sum of the text's bytes from 32 to 127, modulo 128, lifted by 64
// when it would be a control character. Bytes of 128 and above do not count.
char checksum(QByteArrayView text);

// The checksum the meter puts after a reply to a command whose own checksum was `commandChecksum`.
char replyChecksum(char commandChecksum, QByteArrayView replyText);

// text + checksum + CR + LF, as a command goes out on the wire.
QByteArray frameCommand(QByteArrayView text);

// reply text + reply checksum + CR + LF, as the meter answers.
QByteArray frameReply(char commandChecksum, QByteArrayView replyText);

// Where the reply's checksum character stands: the last CR or LF (or the end), stepping back over
// control characters and bytes of 128 and above. -1 when the line holds no printable character
// before that point.
qsizetype replyChecksumPosition(QByteArrayView line);

} // namespace tonva::framing
