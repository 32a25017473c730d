// The full tabular report of a test that holds every measurement, built and written as a PDF at
// 600 dpi: real time per report. Run: ReportBench
#include "demo/CalibrationDemo.h"
#include "report/PdfOutput.h"
#include "report/TabularReport.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <clocale>

namespace tonva {
namespace {

std::unique_ptr<AudTestRecord> fullTest;
QString pdfPath;

// The demo measures everything it has a page for; the masking and speech blocks are filled as a
// measured test would hold them, so every section is printed.
void measureFullTest(const QString &folder)
{
    demo::DemoOptions options;
    options.databasePath = folder + QStringLiteral("/demo.sqlite");
    options.profile = QStringLiteral("faulty");
    QString printed;
    QTextStream out(&printed);
    demo::CalibrationDemo calibration(options, out);
    calibration.run();
    fullTest = std::make_unique<AudTestRecord>(*calibration.outcome().storedRecord);
    for (int ear = 0; ear < kChannels; ++ear) {
        BroadBandResult &noise = fullTest->broadBand[ear][0];
        noise.dialLevel = 60;
        noise.method = 2;
        for (auto &spectrum : noise.spectrum)
            std::fill(std::begin(spectrum), std::end(spectrum), 70.0f);
        SpeechResult &speech = fullTest->speech[ear][0];
        speech.dialLevel = 60;
        std::fill(std::begin(speech.measuredLevel), std::end(speech.measuredLevel), 80.0f);
    }
    fullTest->statusOf(MeasurementKind::BroadBandNoise, TransducerType::SupraAural) = 1;
    fullTest->statusOf(MeasurementKind::SpeechHearingLevel, TransducerType::SupraAural) = 1;
}

void TabularReportToPdf(benchmark::State &state)
{
    int pages = 0;
    for (auto _ : state) {
        CPrintHandler handler(*fullTest, {QStringLiteral("Acme Audiology"), {}, {}}, ReportSelection{});
        if (!writeReportPdf(pdfPath, handler).isEmpty())
            state.SkipWithError("the PDF could not be written");
        pages = handler.geometry().pageCount(handler.report());
    }
    state.counters["pages"] = pages;
}
BENCHMARK(TabularReportToPdf)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace tonva

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir folder;
    tonva::measureFullTest(folder.path());
    tonva::pdfPath = folder.filePath(QStringLiteral("report.pdf"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
