#include "measure/MeasurementRun.h"

#include "measure/MeterReadiness.h"
#include "meter/KeySimulator.h"
#include "platform/PreferenceStore.h"
#include "platform/TextFormat.h"

#include <algorithm>

namespace tonva {

namespace {

void copyLevels(const DialLevels &from, DialLevels &to)
{
    std::copy(std::begin(from), std::end(from), std::begin(to));
}

} // namespace

MeasurementRun::MeasurementRun(const MeasurementServices &services, const PageRegistry &pages, RunHost &host,
                               AudTestRecord &record)
    : m_services(services), m_registry(pages), m_host(host), m_record(record)
{}

MeasurementRun::~MeasurementRun() = default;

MeasurementRun::BusyScope::BusyScope(MeasurementRun &run) : m_run(run)
{
    if (m_run.m_busyDepth++ == 0)
        m_run.m_host.BusyChanged(true);
}

MeasurementRun::BusyScope::~BusyScope()
{
    if (--m_run.m_busyDepth == 0)
        m_run.m_host.BusyChanged(false);
}

void MeasurementRun::AttachMeter(SlmLink *link, SlmFileList *files)
{
    m_link = link;
    m_files = files;
    if (m_page)
        m_page->AttachMeter(link, files);
}

void MeasurementRun::Open(MeasurementEntry measurement, TransducerType transducer, Ear ear)
{
    if (busy())
        return;
    m_measurement = measurement;
    m_transducer = isOffered(measurement, transducer) ? transducer
                                                      : measurementListEntry(measurement).transducers.front();
    m_ear = ear;
    m_modified = false;
    m_open = true;
    showPages();
    switchMeterDisplay();
    readyMeter(); // giving up only stops the asking: the window shows the measurement all the same
}

void MeasurementRun::ChooseMeasurement(MeasurementEntry measurement)
{
    if (busy() || !m_open || measurement == m_measurement)
        return;
    offerSave();
    collect();
    m_measurement = measurement;
    // The transducer shown stays when the new measurement offers it.
    if (!isOffered(measurement, m_transducer))
        m_transducer = measurementListEntry(measurement).transducers.front();
    showPages();
    switchMeterDisplay();
    readyMeter();
}

void MeasurementRun::ChooseTransducerPosition(int position)
{
    const std::optional<TransducerType> chosen = transducerAtPosition(m_measurement, position);
    if (busy() || !m_open || !chosen || *chosen == m_transducer)
        return;
    offerSave();
    collect();
    m_transducer = *chosen;
    showPages();
    switchMeterDisplay();
}

void MeasurementRun::ChooseEar(Ear ear)
{
    if (busy() || !m_open || ear == m_ear)
        return;
    collect();
    m_ear = ear;
    showPages();
}

void MeasurementRun::ShowSoundFieldPage(bool binaural)
{
    const PageRole wanted = binaural ? PageRole::SoundFieldBinaural : PageRole::SoundFieldMono;
    const bool soundField =
        m_pageRole == PageRole::SoundFieldMono || m_pageRole == PageRole::SoundFieldBinaural;
    if (busy() || !m_open || !soundField || m_pageRole == wanted)
        return;
    collect();
    m_pageRole = wanted;
    showPages();
}

void MeasurementRun::NextTest()
{
    if (busy() || !m_open)
        return;
    if (m_measurement == kLastMeasurementEntry) {
        // Leaving past the last measurement hands the results on as OK does, so a document closed
        // later still knows it has unsaved measurements.
        Ok();
        return;
    }
    collect();
    ChooseMeasurement(static_cast<MeasurementEntry>(static_cast<int>(m_measurement) + 1));
}

int MeasurementRun::MeasureAll()
{
    return measure(true, {});
}

int MeasurementRun::MeasureSelected(const QList<int> &rows)
{
    return measure(false, rows);
}

int MeasurementRun::measure(bool all, const QList<int> &rows)
{
    if (busy() || !m_open || !m_page || !m_link)
        return measure::kNotStarted;
    int status = measure::kNotStarted;
    {
        const BusyScope busyScope(*this);
        if (!readyMeter())
            return measure::kCancelled;
        if (m_measurement == MeasurementEntry::HearingLevel ||
            m_measurement == MeasurementEntry::NarrowBandLevel)
            copyInputLevels();
        status = all ? m_page->MeasureAll() : m_page->MeasureSelected(rows);
    }
    if (status == measure::kNotStarted)
        return status;
    // A cancelled run may have measured some rows already; those are results to keep and save.
    if (!m_readOnly)
        m_modified = true;
    m_host.PageListChanged();
    return status;
}

void MeasurementRun::Ok()
{
    if (busy() || !m_open)
        return;
    collect();
    m_host.RecordChanged(m_modified);
    close();
}

void MeasurementRun::Cancel()
{
    if (!busy() && m_open)
        close();
}

bool MeasurementRun::Save()
{
    // Saving in the middle of a measurement would store a half-judged page.
    if (busy() || !m_open)
        return false;
    collect();
    if (!m_host.SaveRecord())
        return false;
    m_modified = false;
    return true;
}

void MeasurementRun::Adjust()
{
    if (busy() || !m_open || !adjustAvailable())
        return;
    m_host.OpenAdjust(m_measurement);
    m_host.PageListChanged();
}

QString MeasurementRun::windowText() const
{
    return QString::fromLatin1(measurementListEntry(m_measurement).windowText);
}

QStringList MeasurementRun::transducerList() const
{
    return m_open ? transducerListTexts(m_measurement) : initialTransducerListTexts();
}

QString MeasurementRun::clockText(int hour24, int minute)
{
    const int hour12 = hour24 % 12 == 0 ? 12 : hour24 % 12;
    return formatText("%02d:%02d %s", hour12, minute, hour24 < 12 ? "AM" : "PM");
}

void MeasurementRun::offerSave()
{
    if (!m_modified)
        return;
    PreferenceStore &preferences = m_services.preferences;
    if (preferences.readFlag(preference::ShowSaveDialogAfterTest)) {
        if (m_host.AskSaveData())
            Save();
    } else if (preferences.readFlag(preference::SaveAfterTest)) {
        Save();
    }
}

void MeasurementRun::collect()
{
    // The bone page remembers its levels as the next test's defaults here, saved or not.
    for (const std::unique_ptr<InputLevelPage> &inputPage : m_inputPages)
        inputPage->Apply(&m_services.preferences);
    if (m_page)
        m_page->Collect();
}

void MeasurementRun::showPages()
{
    rebuildPages();
    m_host.PageShown();
}

void MeasurementRun::rebuildPages()
{
    m_page.reset();
    m_inputPages.clear();

    const std::optional<PageRole> role =
        PageRoleFor(m_measurement, m_transducer, m_pageRole == PageRole::SoundFieldBinaural);
    if (!role)
        return;
    m_pageRole = *role;
    m_page = m_registry.create(*role, m_services);
    if (m_page) {
        m_page->Initialise({&m_record, m_transducer, m_ear, m_measurement, &m_testConditionsEntered});
        m_page->AttachMeter(m_link, m_files);
        m_page->setListChangedHandler([this] { m_host.PageListChanged(); });
    }
    if (m_measurement != MeasurementEntry::HearingLevel)
        return;

    const int t = static_cast<int>(m_transducer);
    DialLevels &levels = m_record.toneLevel[0][t].dialLevel;
    DialLevels *otherChannel = &m_record.toneLevel[1][t].dialLevel;
    if (m_transducer == TransducerType::BoneVibrator) {
        m_inputPages.push_back(
            std::make_unique<InputLevelPage>(InputLevelRange::Bone, levels, otherChannel, nullptr));
        return;
    }
    DialLevels *binaural =
        m_transducer == TransducerType::Speakers ? &m_record.toneLevelBinaural.dialLevel : nullptr;
    m_inputPages.push_back(
        std::make_unique<InputLevelPage>(InputLevelRange::Low, levels, otherChannel, binaural));
    m_inputPages.push_back(
        std::make_unique<InputLevelPage>(InputLevelRange::High, levels, otherChannel, binaural));
}

void MeasurementRun::switchMeterDisplay()
{
    if (!m_link || !m_page)
        return;
    const std::optional<int> view = m_page->meterDisplayView();
    if (!view)
        return;
    // The keys take a while and events are dispatched meanwhile: nothing may replace the page.
    const BusyScope busyScope(*this);
    KeySimulator keys(m_services.preferences);
    keys.Bind(m_link);
    keys.SetDisplayView(*view);
}

bool MeasurementRun::readyMeter()
{
    if (!m_link)
        return false;
    const BusyScope busyScope(*this);
    return ReadyMeterForTest(*m_link, m_services.interaction, measurementListEntry(m_measurement).mode,
                             static_cast<int>(m_measurement),
                             QString::fromLatin1(measure::kMeterNotReadyQuestion));
}

void MeasurementRun::copyInputLevels()
{
    if (!isEarphone(m_transducer) && m_transducer != TransducerType::Speakers)
        return;
    // Hearing level: the pages carry the levels to the other channel and the binaural block.
    for (const std::unique_ptr<InputLevelPage> &inputPage : m_inputPages)
        inputPage->Apply(&m_services.preferences);
    if (m_measurement != MeasurementEntry::NarrowBandLevel)
        return;
    // Narrow band has no page of its own; its levels start on the first channel only.
    const int t = static_cast<int>(m_transducer);
    copyLevels(m_record.narrowBand[0][t].dialLevel, m_record.narrowBand[1][t].dialLevel);
    if (m_transducer == TransducerType::Speakers)
        copyLevels(m_record.narrowBand[0][t].dialLevel, m_record.narrowBandBinaural.dialLevel);
}

void MeasurementRun::close()
{
    m_page.reset();
    m_inputPages.clear();
    m_open = false;
    m_host.ReturnToSummary();
}

} // namespace tonva
