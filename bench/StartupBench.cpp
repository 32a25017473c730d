// Start-up of the desktop program on a database of 10,000 stored tests (82 KB each): from the
// document being created to the main window shown with its idle view. The application object is
// made once per process; its own cost is reported as the counter app_object_ms.
// Run: StartupBench; TONVA_BENCH_TESTS overrides the number of tests.
#include "QuietInteraction.h"
#include "app/CVemoraDoc.h"
#include "app/ui/CMainFrame.h"
#include "demo/DemoLaboratory.h"
#include "inventory/InstrumentInventory.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "platform/Clock.h"
#include "platform/Interaction.h"
#include "platform/PreferenceStore.h"
#include "meter/MeterSource.h"
#include "storage/DatabaseFile.h"
#include "storage/Recordsets.h"
#include "storage/SchemaConversion.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <clocale>

namespace tonva {
namespace {

bench::QuietInteraction interaction;
QTemporaryDir *folder = nullptr;
double appObjectMs = 0.0;

QString databaseName()
{
    return QStringLiteral("startup.sqlite");
}

void buildDatabase(int tests)
{
    DatabaseSlot slot;
    OpenOrCreateDatabase(slot, folder->filePath(databaseName()), false, interaction);
    CheckAndConvertDatabase(slot, interaction);
    const CAudTestMeasRS rows(*slot);
    for (int start = 0; start < tests; start += 500) {
        Transaction transaction(*slot);
        for (int number = start; number < std::min(tests, start + 500); ++number) {
            AudTestRecord record;
            setFixedText(record.setup.technician, QStringLiteral("Tech %1").arg(number % 7).toStdString());
            rows.insert({-1, QStringLiteral("Tech %1").arg(number % 7), 45000.0 + number % 400,
                         QStringLiteral("AC%1").arg(number % 13), QStringLiteral("SN%1").arg(number % 100),
                         1 + number % 2, WriteTestBlob(record)});
        }
        transaction.commit();
    }
    // A laboratory with its instruments, so the start-up loads a real inventory.
    Inventory inventory;
    InstrumentInventory instruments(inventory, interaction, 2024);
    demo::addInstruments(instruments);
    Transaction transaction(*slot);
    CEquipmentList(*slot).writeFirst(WriteInventoryBlob(inventory));
    transaction.commit();
}

void BM_StartupToIdleView(benchmark::State &state)
{
    PreferenceStore preferences(folder->filePath(QStringLiteral("startup.ini")));
    preferences.writeText(QStringLiteral("Preferences"), QStringLiteral("DatabaseDir"),
                          folder->path() + QLatin1Char('/'));
    preferences.writeText(QStringLiteral("Preferences"), QStringLiteral("DatabaseName"), databaseName());
    VirtualClock clock;
    const MeterSource meter(MeterSource::builtInName(), clock);
    for (auto _ : state) {
        auto document = std::make_unique<CVemoraDoc>(preferences, interaction, folder->path());
        document->NewTest();
        if (!document->database() || document->inventory().list(InventoryType::SoundLevelMeter).empty()) {
            state.SkipWithError("the bench database did not open");
            break;
        }
        FrameServices services{preferences,
                               interaction,
                               clock,
                               *document,
                               [&meter]() -> const MeterSource & { return meter; },
                               [&meter] { return meter.description(); }};
        auto frame = std::make_unique<CMainFrame>(services);
        frame->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(frame->viewWidget()->isVisible());

        state.PauseTiming();
        frame.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        document.reset();
        state.ResumeTiming();
    }
    state.counters["app_object_ms"] = appObjectMs;
}
BENCHMARK(BM_StartupToIdleView)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
} // namespace tonva

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QElapsedTimer appTimer;
    appTimer.start();
    QApplication app(argc, argv);
    tonva::appObjectMs = static_cast<double>(appTimer.nsecsElapsed()) / 1e6;
    std::setlocale(LC_NUMERIC, "C");

    QTemporaryDir folder;
    tonva::folder = &folder;
    const int tests = qEnvironmentVariableIsSet("TONVA_BENCH_TESTS")
                          ? qEnvironmentVariableIntValue("TONVA_BENCH_TESTS")
                          : 10000;
    tonva::buildDatabase(tests);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
