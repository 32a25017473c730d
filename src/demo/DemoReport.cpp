#include "demo/DemoReport.h"

#include "measure/BoneConductionTest.h"
#include "measure/CrossTalkTest.h"
#include "measure/DistortionTest.h"
#include "measure/HearingLevelTest.h"
#include "measure/LinearityTest.h"
#include "measure/MaskingNoiseTest.h"
#include "measure/PulseTest.h"
#include "measure/SoundFieldTest.h"
#include "measure/SpeechTest.h"
#include "measure/MeasurementCatalogue.h"
#include "platform/Clock.h"
#include "platform/Interaction.h"
#include "platform/PreferenceStore.h"

#include <QTemporaryDir>
#include <algorithm>
#include <array>

namespace tonva::demo {

namespace {

// In the order of the Measurements list.
constexpr std::array<const char *, kMeasurementEntries> kShortNames = {
    "hl", "freq", "lin", "dist", "pulse", "xtalk", "fm", "nb", "bb", "speech", "sdist"};

QString verdictText(ResultStatus verdict)
{
    switch (verdict) {
    case ResultStatus::Passed:
        return QStringLiteral("PASS");
    case ResultStatus::NotJudged:
    case ResultStatus::NotApplicable:
        return QStringLiteral("----");
    case ResultStatus::Unstable:
        // Never judged, yet no pass either: it stands out like a failure under its own name.
        return QStringLiteral("UNSTABLE");
    case ResultStatus::Failed:
        break;
    }
    return QStringLiteral("FAIL");
}

// Reading a list back never asks, waits or remembers anything.
class Unattended final : public Interaction
{
public:
    void message(const QString &) override {}
    Answer ask(const QString &, Buttons) override { return Answer::Cancel; }
    Answer askToSet(const QString &, const Stimulus &, Buttons) override { return Answer::Cancel; }
    std::unique_ptr<Progress> openProgress(const QString &, int, int, int) override
    {
        return std::make_unique<SilentProgress>();
    }
    Answer askTestConditions(TestConditions &) override { return Answer::Cancel; }
};

// The pages of the demonstration, made only to list what a record holds.
class ListReader
{
public:
    ListReader()
        : m_preferences(m_folder.filePath(QStringLiteral("unused.ini"))),
          m_services{m_interaction, m_clock, m_preferences}
    {
        registerDemoPages(m_pages);
    }

    PageTable list(const AudTestRecord &record, const DemoStep &step, RegionalMode mode) const
    {
        const std::optional<PageRole> role = PageRoleFor(step.measurement, step.transducer, step.binaural);
        MeasurementServices services = m_services;
        services.regionalMode = mode;
        const std::unique_ptr<MeasurementPage> page = role ? m_pages.create(*role, services) : nullptr;
        if (!page)
            return {};
        // Pages work on writable blocks; this one is given a copy.
        AudTestRecord results = record;
        page->Initialise({&results, step.transducer, step.ear, step.measurement});
        return page->List();
    }

private:
    QTemporaryDir m_folder;
    Unattended m_interaction;
    VirtualClock m_clock;
    PreferenceStore m_preferences;
    MeasurementServices m_services;
    PageRegistry m_pages;
};

} // namespace

QString measurementShortName(MeasurementEntry measurement)
{
    return QString::fromLatin1(kShortNames.at(static_cast<std::size_t>(measurement)));
}

std::optional<MeasurementEntry> measurementByShortName(const QString &name)
{
    const auto found = std::find_if(kShortNames.begin(), kShortNames.end(), [&name](const char *shortName) {
        return name.trimmed().compare(QLatin1String(shortName), Qt::CaseInsensitive) == 0;
    });
    if (found == kShortNames.end())
        return std::nullopt;
    return static_cast<MeasurementEntry>(found - kShortNames.begin());
}

void registerDemoPages(PageRegistry &registry)
{
    registerHearingLevelPage(registry);
    registerLinearityPage(registry);
    registerDistortionPages(registry);
    registerPulsePage(registry);
    registerCrossTalkPage(registry);
    registerBoneLevelsPage(registry);
    registerMaskingNoisePage(registry);
    registerSpeechPage(registry);
    registerSoundFieldPages(registry);
}

bool listCoversBothEars(MeasurementEntry measurement)
{
    return measurement == MeasurementEntry::CrossTalk;
}

bool keepsOneBlockPerTransducer(MeasurementEntry measurement)
{
    return measurement == MeasurementEntry::PulsedTones;
}

std::vector<DemoStep> reportedSteps(const std::vector<DemoStep> &steps)
{
    std::vector<DemoStep> reported;
    for (auto step = steps.begin(); step != steps.end(); ++step) {
        const bool overwritten =
            keepsOneBlockPerTransducer(step->measurement) &&
            std::any_of(step + 1, steps.end(), [&step](const DemoStep &later) {
                return later.measurement == step->measurement && later.transducer == step->transducer;
            });
        if (!overwritten)
            reported.push_back(*step);
    }
    return reported;
}

QString stepTitle(const DemoStep &step)
{
    const QString measurement = QString::fromLatin1(measurementListEntry(step.measurement).windowText);
    if (listCoversBothEars(step.measurement))
        return measurement;
    if (step.binaural)
        return QStringLiteral("%1, %2, binaural").arg(measurement, transducerName(step.transducer));
    const QString ear = earText(step.ear).toLower() + QStringLiteral(" ear");
    if (step.transducer == TransducerType::SupraAural)
        return QStringLiteral("%1, %2").arg(measurement, ear);
    return QStringLiteral("%1, %2, %3").arg(measurement, transducerName(step.transducer), ear);
}

QString alignedTable(const QStringList &titles, const QList<QStringList> &rows)
{
    QList<qsizetype> widths;
    for (const QString &title : titles)
        widths << title.size();
    for (const QStringList &row : rows) {
        for (qsizetype column = 0; column < row.size() && column < widths.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    const auto line = [&widths](const QStringList &cells) {
        QString text;
        for (qsizetype column = 0; column < widths.size(); ++column) {
            const QString cell = column < cells.size() ? cells[column] : QString();
            text += column == 0 ? cell.leftJustified(widths[column])
                                : QStringLiteral("  ") + cell.rightJustified(widths[column]);
        }
        return text + QLatin1Char('\n');
    };
    QString table = line(titles);
    for (const QStringList &row : rows)
        table += line(row);
    return table;
}

PageTable stepList(const AudTestRecord &record, const DemoStep &step, RegionalMode mode)
{
    static const ListReader reader;
    return reader.list(record, step, mode);
}

int unmeasuredRows(const PageTable &list)
{
    int unmeasured = 0;
    for (int row = 0; row < list.rows.size(); ++row) {
        // Linearity's noise floor is a reading that is never judged; it is not a level left out.
        const bool noiseFloor = list.rows[row].value(0).startsWith(QLatin1String("NF = "));
        unmeasured += list.verdict(row) == ResultStatus::NotJudged && !noiseFloor ? 1 : 0;
    }
    return unmeasured;
}

QString rowNoun(const DemoStep &step)
{
    switch (step.measurement) {
    case MeasurementEntry::Linearity:
        return QStringLiteral("levels");
    case MeasurementEntry::PulsedTones:
    case MeasurementEntry::CrossTalk:
        return QStringLiteral("rows");
    default:
        return QStringLiteral("frequencies");
    }
}

QString resultTable(const AudTestRecord &record, const DemoStep &step, RegionalMode mode)
{
    const PageTable list = stepList(record, step, mode);
    QList<QStringList> rows;
    for (int row = 0; row < list.rows.size(); ++row)
        rows << (QStringList(list.rows[row]) << verdictText(list.verdict(row)));
    return alignedTable(QStringList(list.columns) << QStringLiteral("Result"), rows);
}

QString statusMatrix(const AudTestRecord &record)
{
    QStringList titles{QStringLiteral("Measurement")};
    for (int t = 0; t < kTransducerTypes; ++t)
        titles << transducerName(static_cast<TransducerType>(t));
    const QStringList names = measurementListTexts();
    QList<QStringList> rows;
    for (int kind = 0; kind < kMeasurementKinds; ++kind) {
        QStringList row{names.value(kind)};
        for (int t = 0; t < kTransducerTypes; ++t)
            row << QString::number(record.status[kind][t]);
        rows << row;
    }
    return alignedTable(titles, rows);
}

} // namespace tonva::demo
