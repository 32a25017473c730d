// The whole headless demo on the built-in meter (virtual time) into a fresh database: real time
// per run, and the meter time it stands for. Run: CalibrationDemoBench
#include "demo/CalibrationDemo.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <clocale>

namespace tonva {
namespace {

void CompleteDemo(benchmark::State &state)
{
    qint64 meterMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir folder;
        demo::DemoOptions options;
        options.databasePath = folder.filePath(QStringLiteral("demo.sqlite"));
        options.profile = QStringLiteral("faulty");
        QString printed;
        QTextStream out(&printed);
        demo::CalibrationDemo calibration(options, out);
        state.ResumeTiming();

        if (calibration.run() != 0)
            state.SkipWithError("the demo did not complete");
        meterMs = calibration.outcome().meterTimeMs;
    }
    state.counters["meter_s"] = static_cast<double>(meterMs) / 1000.0;
}
BENCHMARK(CompleteDemo)->Unit(benchmark::kMillisecond)->UseRealTime();

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
