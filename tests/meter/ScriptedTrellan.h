#pragma once

#include "FakeMeterPort.h"

#include <QByteArray>

namespace tonva::test {

// Just enough of a Trellan to answer the command layer: run state with settling time, the
// settings the operations read back, identity and third-octave records.
struct ScriptedTrellan
{
    explicit ScriptedTrellan(VirtualClock &c) : clock(c) {}

    VirtualClock &clock;
    bool running = true;
    qint64 settledAtMs = 0; // reports "R" only from this moment on
    qint64 gainSettleMs = 0;
    int gain = 2;
    int transducer = 0;
    QByteArray mode = "SLM/RTA mode";
    QByteArray instrument = "AUD";
    QByteArray weighting = "2";
    bool hanning = true;
    int bandwidth = 3;
    QByteArray firmware = "2.10";
    QByteArray model = "Mervane Trellan 824";
    std::function<QByteArray()> record; // the next "&R1" record

    Reply operator()(const QByteArray &text, char sum)
    {
        const auto answer = [sum](QByteArrayView reply) { return Reply::text(sum, reply); };
        const auto argument = [&text] { return text.mid(text.indexOf(',') + 1); };
        if (text == "R 3,1")
            return answer(running && clock.nowMs() >= settledAtMs ? " R O" : " S O");
        if (text == "M3")
            running = true;
        else if (text == "M4")
            running = false;
        else if (text == "Q148,32")
            return answer(QByteArray::number(gain));
        else if (text.startsWith("S 148,")) {
            gain = argument().toInt();
            settledAtMs = clock.nowMs() + gainSettleMs;
        } else if (text == "Q 51,32")
            return answer(QByteArray::number(transducer));
        else if (text.startsWith("S 51,"))
            transducer = argument().toInt();
        else if (text == "Q143")
            return answer(mode);
        else if (text.startsWith("S143,"))
            mode = QByteArrayList{"SLM/RTA mode", "FFT mode", "Pulse/FM mode"}.value(argument().toInt());
        else if (text == "R180")
            return answer(instrument);
        else if (text.startsWith("&I2,"))
            instrument = "AUD";
        else if (text == "Q46")
            return answer(weighting);
        else if (text.startsWith("S46,"))
            weighting = argument();
        else if (text == "Q147")
            return answer(hanning ? "Hanning" : "Rectangular");
        else if (text == "Q145,32")
            return answer(QByteArray::number(bandwidth));
        else if (text.startsWith("S145,"))
            bandwidth = argument().toInt();
        else if (text == "R90")
            return answer(firmware);
        else if (text == "R1")
            return answer(model);
        else if (text == "R155")
            return answer("8");
        else if (text == "R3,2")
            return answer(" idle");
        else if (text == "Q227")
            return answer("0.0");
        else if (text == "&R1" && record)
            return Reply::block(sum, record());
        return answer(""); // acknowledgement
    }
};

} // namespace tonva::test
