// The Stored Measurements sheet opened on a file of 10,000 stored tests (full 82 KB records): the
// sheet made, both pages filled with no filter, laid out and shown offscreen. Run:
// StoredSheetWidgetBench [--benchmark_filter=...]; TONVA_BENCH_TESTS overrides the number of tests.
#include "QuietInteraction.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "platform/Interaction.h"
#include "storage/DatabaseFile.h"
#include "storage/Recordsets.h"
#include "storage/ui/CStoredDataPS.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <clocale>

namespace tonva {
namespace {

bench::QuietInteraction interaction;
QString databasePath;
int testCount = 0;

void buildDatabase(int tests)
{
    DatabaseSlot slot;
    OpenOrCreateDatabase(slot, databasePath, false, interaction);
    const CAudTestMeasRS rows(*slot);
    AudTestRecord record;
    for (int start = 0; start < tests; start += 500) {
        Transaction transaction(*slot);
        for (int number = start; number < std::min(tests, start + 500); ++number) {
            const QString technician = QStringLiteral("Tech %1").arg(number % 7);
            setFixedText(record.setup.technician, technician.toStdString());
            record.leadingWord = number;
            rows.insert({-1, technician, 45000.0 + number % 400, QStringLiteral("AC%1").arg(number % 13),
                         QStringLiteral("SN%1").arg(number % 100), 1 + number % 2, WriteTestBlob(record)});
        }
        transaction.commit();
    }
    const CAmbientMeasurements surveys(*slot);
    Transaction transaction(*slot);
    for (int number = 0; number < 200; ++number)
        surveys.insert({-1, QStringLiteral("Survey %1").arg(number), 45000.0 + number,
                        QStringLiteral("Clinic"), QStringLiteral("Booth %1").arg(number % 9),
                        QByteArray(4000, '\0')});
    transaction.commit();
}

void OpenFilledSheet(benchmark::State &state)
{
    DatabaseSlot slot;
    OpenOrCreateDatabase(slot, databasePath, false, interaction);
    for (auto _ : state) {
        CStoredDataPS sheet(slot.get(), interaction, StoredSheetPages::Both);
        sheet.show();
        QApplication::processEvents();
        state.PauseTiming();
        if (sheet.testPage()->list()->model()->rowCount() != testCount)
            state.SkipWithError("the sheet did not list every stored test");
        sheet.hide();
        state.ResumeTiming();
    }
    state.counters["tests"] = testCount;
}

} // namespace
} // namespace tonva

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir folder;
    tonva::databasePath = folder.filePath(QStringLiteral("Bench.sqlite"));
    tonva::testCount = qEnvironmentVariableIsSet("TONVA_BENCH_TESTS")
                           ? qEnvironmentVariableIntValue("TONVA_BENCH_TESTS")
                           : 10'000;
    tonva::buildDatabase(tonva::testCount);
    benchmark::RegisterBenchmark("OpenFilledSheet", tonva::OpenFilledSheet)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
