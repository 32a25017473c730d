// One booth survey (meter set-up, the stability gate and ten samples a second apart) through the
// link to the built-in meter on virtual time: real time per survey, and the meter time it stands
// for. The survey must stay well under 100 ms of real time. Run: AmbientSurveyBench
#include "QuietInteraction.h"
#include "ambient/AmbientSurvey.h"
#include "meter/ComPort.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"
#include "sim/BoothProfile.h"
#include "model/FixedText.h"
#include "sim/BuiltInSimulator.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <clocale>

namespace tonva {
namespace {

void NoisyBoothSurvey(benchmark::State &state)
{
    qint64 meterMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        VirtualClock clock;
        BuiltInSimulator simulator(clock);
        BoothProfile::load(QStringLiteral("noisy-booth"))->presentIn(simulator.scene());
        bench::QuietInteraction nobody;
        ComPort port(simulator.portFactory(), clock);
        SlmLink link(port, nobody);
        SlmFileList files(port, nobody);
        BoothRecord record;
        setDisplayText(record.soundLevelMeter.model, QStringLiteral("Trellan"));
        setDisplayText(record.preamplifier.model, QStringLiteral("P2"));
        setDisplayText(record.microphone.identity.model, QStringLiteral("M4"));
        state.ResumeTiming();

        AmbientSurvey survey(link, files);
        if (port.Open() != 0 || !survey.prepareMeter() ||
            survey.measure(record, QDate(2013, 5, 6)) != AmbientSurvey::Outcome::Measured)
            state.SkipWithError("the survey did not complete");
        meterMs = clock.nowMs();
    }
    state.counters["meter_s"] = static_cast<double>(meterMs) / 1000.0;
}
BENCHMARK(NoisyBoothSurvey)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace tonva

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
