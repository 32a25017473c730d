// Storage speed on a file of 10,000 stored tests (82 KB each), each figure beside the plain sqlite3
// tool running the same query on the same file. Run: StorageBench [--benchmark_filter=...];
// TONVA_BENCH_TESTS overrides the number of tests.
#include "QuietInteraction.h"
#include "model/Blobs.h"
#include "model/FixedText.h"
#include "platform/Interaction.h"
#include "storage/DatabaseFile.h"
#include "storage/Recordsets.h"
#include "storage/SchemaConversion.h"
#include "storage/StoredFilter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <clocale>

namespace tonva {
namespace {

bench::QuietInteraction interaction;
QString databasePath;
const char *const kFilteredSql = "SELECT Id, Technician, Date, ModelNum, SerialNum, ChannelNum FROM "
                                 "AudTestMeasurements WHERE SerialNum = 'SN42' AND ChannelNum = 2";
const char *const kAllSql =
    "SELECT Id, Technician, Date, ModelNum, SerialNum, ChannelNum FROM AudTestMeasurements";

AudTestRow sampleRow(int number)
{
    AudTestRecord record;
    setFixedText(record.setup.technician, QStringLiteral("Tech %1").arg(number % 7).toStdString());
    record.leadingWord = number;
    return {-1,
            QStringLiteral("Tech %1").arg(number % 7),
            45000.0 + number % 400,
            QStringLiteral("AC%1").arg(number % 13),
            QStringLiteral("SN%1").arg(number % 100),
            1 + number % 2,
            WriteTestBlob(record)};
}

void buildDatabase(int tests)
{
    DatabaseSlot slot;
    OpenOrCreateDatabase(slot, databasePath, false, interaction);
    const CAudTestMeasRS rows(*slot);
    for (int start = 0; start < tests; start += 500) {
        Transaction transaction(*slot);
        for (int number = start; number < std::min(tests, start + 500); ++number)
            rows.insert(sampleRow(number));
        transaction.commit();
    }
}

// Seconds the sqlite3 tool takes for one run of `sql` on the bench file: the tool runs it
// kRepeats times in one script (output discarded), and the same tool with an empty script is taken
// off, so its start-up does not count. With `reopen`, every repeat opens the file afresh.
double sqliteToolSeconds(const QString &sql, bool reopen = false)
{
    constexpr int kRepeats = 20;
    const auto timed = [](const QByteArray &script) {
        QElapsedTimer timer;
        timer.start();
        QProcess tool;
        tool.start(QStringLiteral("sqlite3"), {databasePath});
        tool.write(script);
        tool.closeWriteChannel();
        tool.waitForFinished(-1);
        return double(timer.nsecsElapsed()) / 1e9;
    };
    QByteArray script;
    for (int i = 0; i < kRepeats; ++i) {
        if (reopen)
            script += ".open " + databasePath.toUtf8() + "\n";
        script += ".once /dev/null\n" + sql.toUtf8() + ";\n";
    }
    double best = 1e9;
    double startup = 1e9;
    for (int i = 0; i < 5; ++i) {
        best = std::min(best, timed(script));
        startup = std::min(startup, timed(QByteArray()));
    }
    return std::max(best - startup, 1e-7) / kRepeats;
}

void reportRatio(benchmark::State &state, double toolSeconds, double oursSeconds)
{
    state.counters["sqlite3_ms"] = toolSeconds * 1000.0;
    state.counters["ratio_to_sqlite3"] = oursSeconds / toolSeconds;
}

void OpenAndCheck(benchmark::State &state)
{
    QElapsedTimer timer;
    qint64 total = 0;
    for (auto _ : state) {
        timer.start();
        DatabaseSlot slot;
        OpenOrCreateDatabase(slot, databasePath, false, interaction);
        benchmark::DoNotOptimize(CheckAndConvertDatabase(slot, interaction));
        total += timer.nsecsElapsed();
    }
    reportRatio(state, sqliteToolSeconds(QStringLiteral("SELECT Schema FROM Schema LIMIT 1"), true),
                double(total) / 1e9 / double(state.iterations()));
}

void SaveOneTest(benchmark::State &state)
{
    DatabaseSlot slot;
    OpenOrCreateDatabase(slot, databasePath, false, interaction);
    CheckAndConvertDatabase(slot, interaction);
    const CAudTestMeasRS rows(*slot);
    AudTestRow row = sampleRow(42);
    row.id = rows.list({QStringLiteral("Id = ?"), {1}}).front().id;
    QElapsedTimer timer;
    qint64 total = 0;
    for (auto _ : state) {
        timer.start();
        Transaction transaction(*slot);
        benchmark::DoNotOptimize(rows.findKey(row.serialNum, row.modelNum, row.technician, row.date));
        rows.update(row);
        transaction.commit();
        total += timer.nsecsElapsed();
    }
    slot.reset();
    reportRatio(state,
                sqliteToolSeconds(
                    QStringLiteral("PRAGMA synchronous=FULL; BEGIN; UPDATE AudTestMeasurements SET Data = "
                                   "zeroblob(82396) WHERE Id = 2; COMMIT")),
                double(total) / 1e9 / double(state.iterations()));
}

void LoadOneTest(benchmark::State &state)
{
    DatabaseSlot slot;
    OpenOrCreateDatabase(slot, databasePath, false, interaction);
    const CAudTestMeasRS rows(*slot);
    AudTestRecord record;
    QElapsedTimer timer;
    qint64 total = 0;
    int id = 1;
    for (auto _ : state) {
        timer.start();
        ReadTestBlob(rows.find(id)->data, record);
        total += timer.nsecsElapsed();
        id = id % 9000 + 997;
    }
    reportRatio(state,
                // The shell prints a blob only up to its first NUL; writefile() makes it read the whole blob.
        sqliteToolSeconds(QStringLiteral("SELECT writefile('/dev/null', Data) FROM AudTestMeasurements "
                                         "WHERE Id = 4242")),
                double(total) / 1e9 / double(state.iterations()));
}

void ListTests(benchmark::State &state, bool filtered)
{
    DatabaseSlot slot;
    OpenOrCreateDatabase(slot, databasePath, false, interaction);
    const CAudTestMeasRS rows(*slot);
    const SqlCondition condition =
        filtered ? testCondition({.serialNum = QStringLiteral("SN42"), .channel = 2}) : SqlCondition{};
    QElapsedTimer timer;
    qint64 total = 0;
    for (auto _ : state) {
        timer.start();
        benchmark::DoNotOptimize(rows.list(condition));
        total += timer.nsecsElapsed();
    }
    reportRatio(state, sqliteToolSeconds(QLatin1String(filtered ? kFilteredSql : kAllSql)),
                double(total) / 1e9 / double(state.iterations()));
}

} // namespace
} // namespace tonva

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir folder;
    tonva::databasePath = folder.filePath(QStringLiteral("Bench.sqlite"));
    const int tests = qEnvironmentVariableIsSet("TONVA_BENCH_TESTS")
                          ? qEnvironmentVariableIntValue("TONVA_BENCH_TESTS")
                          : 10'000;
    tonva::buildDatabase(tests);

    benchmark::RegisterBenchmark("OpenAndCheck", tonva::OpenAndCheck)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SaveOneTest", tonva::SaveOneTest)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("LoadOneTest", tonva::LoadOneTest)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ListFiltered", tonva::ListTests, true)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ListAll", tonva::ListTests, false)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
