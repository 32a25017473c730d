// Exporting a complete test, as the demonstration measures and stores it on both earphones: to a
// workbook (target 200 ms) and to a CSV file (target 20 ms), each written to a scratch folder.
// Run: ExportBench [--benchmark_filter=...].
#include "demo/CalibrationDemo.h"
#include "export/DataExport.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>
#include <clocale>
#include <memory>

namespace tonva {
namespace {

std::unique_ptr<AudTestRecord> completeTest;
QTemporaryDir *scratch = nullptr;

void exportTo(benchmark::State &state, ExportFormat format, const char *file)
{
    const ExportSource source{completeTest.get(), nullptr, {}};
    const QString path = scratch->filePath(QLatin1String(file));
    for (auto _ : state) {
        if (!writeExport(path, format, ',', source).isEmpty()) {
            state.SkipWithError("the export failed");
            return;
        }
    }
}

void BM_ExportWorkbook(benchmark::State &state)
{
    exportTo(state, ExportFormat::Spreadsheet, "REPORT.XLSX");
}
BENCHMARK(BM_ExportWorkbook)->Unit(benchmark::kMillisecond);

void BM_ExportCsv(benchmark::State &state)
{
    exportTo(state, ExportFormat::CommaSeparated, "REPORT.CSV");
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tonva

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir folder;
    tonva::scratch = &folder;
    {
        tonva::demo::DemoOptions options;
        options.databasePath = folder.filePath(QStringLiteral("demo.sqlite"));
        QString printed;
        QTextStream out(&printed);
        tonva::demo::CalibrationDemo calibration(options, out);
        if (calibration.run() != 0 || !calibration.outcome().storedRecord) {
            QTextStream(stderr) << printed;
            return 1;
        }
        tonva::completeTest = std::make_unique<tonva::AudTestRecord>(*calibration.outcome().storedRecord);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
