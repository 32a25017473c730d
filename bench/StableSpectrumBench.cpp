// Reads a steady spectrum over a pseudo-terminal at 115200 baud from a simulator with no think
// time, and sets the wall time beside the least the procedure allows:
//   the 1 s run-state pause, one "R 3,1" poll, and for each of the five records the 10 ms pacing
//   of every byte of the slow "&R1" command plus the line time of every byte both ways.
//
//   build/default/bench/StableSpectrumBench

#include "meter/Framing.h"
#include "meter/MeterConnection.h"
#include "meter/StableSpectrum.h"
#include "platform/Interaction.h"
#include "platform/QtSerialPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <clocale>
#include <cstdio>

using namespace tonva;

namespace {

constexpr int kBaud = 115200;
constexpr int kRecords = 5;
constexpr int kRecordBytes = 69;

// Nobody is at the bench: messages are printed, questions are refused.
class PrintingInteraction final : public Interaction
{
public:
    void message(const QString &text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    Answer ask(const QString &text, Buttons) override
    {
        message(text);
        return Answer::Cancel;
    }
    Answer askToSet(const QString &text, const Stimulus &, Buttons buttons) override
    {
        return ask(text, buttons);
    }
    std::unique_ptr<Progress> openProgress(const QString &, int, int, int) override
    {
        return std::make_unique<SilentProgress>();
    }
};

double lineMs(qsizetype bytes)
{
    return static_cast<double>(bytes) * 10.0 * 1000.0 / kBaud;
}

// The least time ReadStableSpectrum can take for five steady records at kBaud.
double minimumMs()
{
    const QByteArray poll = framing::frameCommand("R 3,1");
    const QByteArray pollReply = framing::frameReply(framing::checksum("R 3,1"), " R OK");
    const qsizetype slowCommand = 3 + 1; // "&R1" and its checksum, paced 10 ms apart
    const qsizetype announce = 4;        // "!", checksum, CR, LF
    const double perRecord = slowCommand * 10.0 + lineMs(slowCommand + 1 + announce + kRecordBytes);
    return 1000.0 + lineMs(poll.size() + pollReply.size()) + kRecords * perRecord;
}

void readStableSpectrum(benchmark::State &state)
{
    QProcess simulator;
    simulator.start(QStringLiteral(TONVA_BINARY_DIR "/src/sim/trellan-sim"),
                    {"--latency", "0", "--speed", "100"});
    if (!simulator.waitForStarted() || !simulator.waitForReadyRead(10000)) {
        state.SkipWithError("trellan-sim did not start");
        return;
    }
    const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();

    SystemClock clock;
    PrintingInteraction interaction;
    MeterConnection connection(QtSerialPort::factory(device), clock, interaction);
    if (connection.Connect(1, kBaud) != 0 ||
        !connection.link()->SetupMeterForTest(MeterMode::SlmRta, 0, false)) {
        state.SkipWithError("could not ready the meter");
        return;
    }
    SlmLink &link = *connection.link();
    const float offset = static_cast<float>(link.GetCalOffset());

    meter::BandLevels levels{};
    QElapsedTimer wall;
    wall.start();
    for (auto _ : state) {
        const int status =
            ReadStableSpectrum(link, *connection.fileList(), 19, offset, levels, nullptr, {}, 1.0, 200);
        if (status != 0) {
            state.SkipWithError("ReadStableSpectrum failed");
            break;
        }
        benchmark::DoNotOptimize(levels);
    }
    const double meanMs = static_cast<double>(wall.elapsed()) / static_cast<double>(state.iterations());
    state.counters["minimum_ms"] = minimumMs();
    state.counters["ratio"] = meanMs / minimumMs();
    connection.Disconnect();
    simulator.kill();
    simulator.waitForFinished();
}

} // namespace

BENCHMARK(readStableSpectrum)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
