// Time to write one audiometer certificate as a PDF file (US Letter, 600 dpi), the work behind
// `tonva-cli report --kind certificate` and the preview's Save as PDF. Target: 150 ms.
// Run: CertificateBench [--benchmark_filter=...]
#include "model/FixedText.h"
#include "report/Certificate.h"
#include "report/PdfOutput.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <clocale>
#include <memory>

namespace tonva {
namespace {

std::unique_ptr<AudTestRecord> benchTest()
{
    auto test = std::make_unique<AudTestRecord>();
    TestSetup &s = test->setup;
    setFixedText(s.testDate, "2026-03-04");
    setFixedText(s.technician, "Dana Reyes");
    setFixedText(s.customerName, "Northside Clinic");
    setFixedText(s.audiometerManufacturer, "Auricon");
    setFixedText(s.audiometerModel, "AC-40");
    setFixedText(s.audiometerSerialNumber, "SN-778");
    s.channelCount = 2;
    s.channelToTest = 1;
    setFixedText(s.supraAural.manufacturer, "Telephonics");
    setFixedText(s.supraAural.model, "TDH 39");
    setFixedText(s.soundLevelMeter.manufacturer, "Mervane");
    setFixedText(s.soundLevelMeter.serialNumber, "M-1");
    for (int slot = 0; slot < kCouplerMicrophoneSlots; ++slot)
        setFixedText(s.couplerMicrophone[slot].identity.serialNumber, "MIC");
    setFixedText(s.calibrator.identity.serialNumber, "C-1");
    return test;
}

void BM_CertificateToPdf(benchmark::State &state)
{
    QTemporaryDir dir;
    const auto test = benchTest();
    const ReportOrganisation organisation{"Acme Audio Labs", "1 Main Road", "Springfield"};
    for (auto _ : state) {
        CCertHandler certificate = CCertHandler::forAudiometer(*test, kRecordLayoutVersion, organisation, {});
        const QString problem = writeReportPdf(dir.filePath("certificate.pdf"), certificate);
        if (!problem.isEmpty())
            state.SkipWithError(problem.toStdString().c_str());
    }
}
BENCHMARK(BM_CertificateToPdf)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tonva

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
