#include "measure/ui/CAudTestView.h"

#include "measure/BoneConductionTest.h"
#include "measure/HearingLevelAdjust.h"
#include "measure/SpeechTest.h"
#include "measure/HearingLevelTest.h"
#include "measure/MeasurementCatalogue.h"
#include "measure/ui/CAdjustLevelDlg.h"
#include "measure/ui/CAdjustSpeechDlg.h"
#include "measure/ui/CTempHumidityDlg.h"
#include "measure/ui/InputLevelFields.h"
#include "measure/ui/MaskingNoisePageWidget.h"
#include "measure/ui/MeasurementPageWidget.h"
#include "measure/ui/SoundFieldPageWidget.h"
#include "measure/ui/BoneLevelsPageWidget.h"
#include "platform/Interaction.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace tonva {

namespace {

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QListWidget *list(const char *name, const QStringList &texts, QWidget *parent)
{
    auto *l = new QListWidget(parent);
    l->setObjectName(QLatin1String(name));
    l->addItems(texts);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    // As tall as its longest contents, so neither list needs a scroll bar nor leaves a gap.
    l->setFixedHeight(l->sizeHintForRow(0) * static_cast<int>(texts.size()) + 2 * l->frameWidth() + 4);
    return l;
}

// Changes a control without taking it for the technician's choice.
class QuietScope
{
public:
    explicit QuietScope(bool &flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~QuietScope() { m_flag = m_was; }
    QuietScope(const QuietScope &) = delete;
    QuietScope &operator=(const QuietScope &) = delete;

private:
    bool &m_flag;
    bool m_was;
};

} // namespace

CAudTestView::CAudTestView(Context context, QWidget *parent)
    : QWidget(parent), m_context(std::move(context))
{
    setObjectName(QStringLiteral("audTestView"));
    m_run = std::make_unique<MeasurementRun>(m_context.services, m_context.pages, *this, m_context.record);

    m_measurements = list("measurementList", measurementListTexts(), this);
    m_transducers = list("transducerList", initialTransducerListTexts(), this);
    m_ear = new QComboBox(this);
    m_ear->setObjectName(QStringLiteral("earCombo"));
    m_ear->addItems({earText(Ear::Left), earText(Ear::Right), earText(Ear::Both)});

    m_windowText = new QLabel(this);
    m_windowText->setObjectName(QStringLiteral("windowText"));
    QFont titleFont = m_windowText->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    titleFont.setBold(true);
    m_windowText->setFont(titleFont);
    m_date = new QLabel(this);
    m_date->setObjectName(QStringLiteral("dateLine"));
    m_clock = new QLabel(this);
    m_clock->setObjectName(QStringLiteral("clockLine"));

    m_pageTabs = new QTabBar(this);
    m_pageTabs->setObjectName(QStringLiteral("pageTabs"));
    m_pageTabs->setDrawBase(false);
    m_pageTabs->setExpanding(false);
    m_pageArea = new QStackedWidget(this);
    m_pageArea->setObjectName(QStringLiteral("pageArea"));
    m_noPage = new QLabel(m_pageArea);
    m_noPage->setObjectName(QStringLiteral("noPageText"));
    m_noPage->setAlignment(Qt::AlignCenter);
    m_noPage->setWordWrap(true);
    m_pageArea->addWidget(m_noPage);

    m_measureAll = button(QStringLiteral("Measure All"), "measureAllButton", this);
    m_measureSelected = button(QStringLiteral("Measure Selected"), "measureSelectedButton", this);
    m_adjust = button(QStringLiteral("Adjust"), "adjustButton", this);
    m_humidity = button(QStringLiteral("Humidity/Temp"), "humidityButton", this);
    m_nextTest = button(QStringLiteral("Next Test"), "nextTestButton", this);
    m_save = button(QStringLiteral("Save"), "saveButton", this);
    m_ok = button(QStringLiteral("OK"), "okButton", this);
    m_cancel = button(QStringLiteral("Cancel"), "cancelButton", this);

    auto *choice = new QVBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("Measurements"), this));
    choice->addWidget(m_measurements);
    choice->addWidget(new QLabel(QStringLiteral("Transducers"), this));
    choice->addWidget(m_transducers);
    auto *earRow = new QHBoxLayout;
    earRow->addWidget(new QLabel(QStringLiteral("Ear:"), this));
    earRow->addWidget(m_ear, 1);
    choice->addLayout(earRow);
    choice->addStretch();
    choice->addWidget(m_date);
    choice->addWidget(m_clock);

    auto *title = new QHBoxLayout;
    title->addWidget(m_windowText, 1);
    title->addWidget(m_humidity);

    auto *measuring = new QHBoxLayout;
    measuring->addWidget(m_measureAll);
    measuring->addWidget(m_measureSelected);
    measuring->addWidget(m_adjust);
    measuring->addStretch();
    measuring->addWidget(m_nextTest);
    measuring->addSpacing(12);
    measuring->addWidget(m_save);
    measuring->addWidget(m_ok);
    measuring->addWidget(m_cancel);

    auto *sheet = new QVBoxLayout;
    sheet->addLayout(title);
    sheet->addWidget(m_pageTabs);
    sheet->addWidget(m_pageArea, 1);
    sheet->addLayout(measuring);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(choice);
    layout->addLayout(sheet, 1);

    connect(m_measurements, &QListWidget::currentRowChanged, this, &CAudTestView::chooseMeasurement);
    connect(m_transducers, &QListWidget::currentRowChanged, this, &CAudTestView::chooseTransducer);
    connect(m_ear, qOverload<int>(&QComboBox::currentIndexChanged), this, &CAudTestView::chooseEar);
    connect(m_pageTabs, &QTabBar::currentChanged, this, [this](int tab) {
        if (tab == 0 && m_pageWidget)
            m_pageArea->setCurrentWidget(m_pageWidget);
        else if (tab > 0 && tab <= static_cast<int>(m_inputWidgets.size()))
            m_pageArea->setCurrentWidget(m_inputWidgets[static_cast<std::size_t>(tab - 1)]);
    });
    connect(m_measureAll, &QPushButton::clicked, this, &CAudTestView::measureAll);
    connect(m_measureSelected, &QPushButton::clicked, this, &CAudTestView::measureSelected);
    connect(m_adjust, &QPushButton::clicked, this, [this] {
        m_run->Adjust();
        updateControls();
    });
    connect(m_humidity, &QPushButton::clicked, this, &CAudTestView::humidityTemperature);
    connect(m_nextTest, &QPushButton::clicked, this, [this] {
        m_run->NextTest();
        sync();
    });
    connect(m_save, &QPushButton::clicked, this, [this] {
        m_run->Save();
        updateControls();
    });
    connect(m_ok, &QPushButton::clicked, this, &CAudTestView::ok);
    connect(m_cancel, &QPushButton::clicked, this, &CAudTestView::cancel);

    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(1000);
    connect(m_clockTimer, &QTimer::timeout, this, &CAudTestView::updateClock);
    m_clockTimer->start();
    updateClock();
    PageShown();
    sync();
}

CAudTestView::~CAudTestView()
{
    // The run and its pages go before the child widgets, which may still signal while they are
    // taken down; none of that may reach the run.
    for (QObject *child : findChildren<QObject *>())
        child->disconnect(this);
    dropPageWidget();
}

void CAudTestView::attachMeter(SlmLink *link, SlmFileList *files)
{
    m_link = link;
    m_files = files;
    m_run->AttachMeter(link, files);
    updateControls();
}

void CAudTestView::open(int measurementIndex)
{
    const std::optional<MeasurementEntry> entry = measurementEntryAt(measurementIndex);
    if (!entry || m_run->busy())
        return;
    m_run->Open(*entry, m_transducerChoice, static_cast<Ear>(m_ear->currentIndex()));
    sync();
}

void CAudTestView::leave(bool toSummary)
{
    if (!m_run->isOpen() || m_run->busy())
        return;
    const bool wasLeaving = m_leaving;
    m_leaving = !toSummary;
    m_run->Ok();
    m_leaving = wasLeaving;
    sync();
}

QString CAudTestView::clockLine() const
{
    return m_clock->text();
}

// ---- the run's host --------------------------------------------------------------------------------

bool CAudTestView::SaveRecord()
{
    return m_context.saveRecord && m_context.saveRecord();
}

bool CAudTestView::AskSaveData()
{
    return m_context.askSaveData && m_context.askSaveData();
}

void CAudTestView::RecordChanged(bool sheetModified)
{
    if (m_context.recordChanged)
        m_context.recordChanged(sheetModified);
}

void CAudTestView::ReturnToSummary()
{
    // The run has let go of its pages.
    dropPageWidget();
    PageShown();
    if (!m_leaving && m_context.returnToSummary)
        m_context.returnToSummary();
}

void CAudTestView::OpenAdjust(MeasurementEntry measurement)
{
    if (measurement == MeasurementEntry::Speech) {
        const auto *speech = dynamic_cast<const SpeechTest *>(m_run->page());
        if (!m_link || !m_files || !speech)
            return;
        SpeechAdjust logic(*m_link, *m_files, m_context.record.setup, m_run->transducer(), speech->adjustReference(),
                           m_context.services.preferences);
        CAdjustSpeechDlg::run(logic, this);
        return;
    }
    if (const auto *bone = dynamic_cast<const BoneConductionTest *>(m_run->page())) {
        if (!m_link || !m_files)
            return;
        askAdjustConditions(m_context.record.setup, m_context.services.interaction);
        HearingLevelAdjust logic(*m_link, *m_files, m_context.record.setup,
                                 bone->placement() == BonePlacement::Forehead, bone->currentFrequency());
        CAdjustLevelDlg::run(logic, this);
        return;
    }
    const auto *hearingLevel = dynamic_cast<const HearingLevelTest *>(m_run->page());
    if (!m_link || !m_files || !hearingLevel)
        return;
    HearingLevelAdjust logic(*m_link, *m_files, m_context.record.setup, m_run->transducer(),
                             hearingLevel->lastMeasuredFrequency());
    CAdjustLevelDlg::run(logic, this);
}

void CAudTestView::BusyChanged(bool busy)
{
    updateControls();
    if (m_context.busyChanged)
        m_context.busyChanged(busy);
}

void CAudTestView::PageShown()
{
    dropPageWidget();
    m_pageTabs->blockSignals(true);
    while (m_pageTabs->count() > 0)
        m_pageTabs->removeTab(0);
    m_pageTabs->blockSignals(false);

    MeasurementPage *page = m_run->isOpen() ? m_run->page() : nullptr;
    if (!page) {
        m_noPage->setText(m_run->isOpen()
                              ? QStringLiteral("%1 on the %2 is not available yet in this version of Tonva.")
                                    .arg(m_run->windowText(), transducerName(m_run->transducer()))
                              : QStringLiteral("Choose a measurement and a transducer."));
        m_pageArea->setCurrentWidget(m_noPage);
        m_pageTabs->hide();
        updateControls();
        return;
    }
    m_pageWidget = MeasurementPageWidget::create(*page, m_pageArea);
    connect(m_pageWidget, &MeasurementPageWidget::selectionChanged, this, &CAudTestView::updateControls);
    if (auto *soundField = qobject_cast<SoundFieldPageWidget *>(m_pageWidget)) {
        // The widget that asked is replaced by the switch, so the switch waits until it has returned.
        connect(soundField, &SoundFieldPageWidget::pageChosen, this, [this](bool binaural) {
            QTimer::singleShot(0, this, [this, binaural] { m_run->ShowSoundFieldPage(binaural); });
        });
    }
    if (auto *masking = qobject_cast<MaskingNoisePageWidget *>(m_pageWidget))
        connect(masking, &MaskingNoisePageWidget::measureRowRequested, this, &CAudTestView::measureSelected);
    m_pageArea->addWidget(m_pageWidget);
    m_pageArea->setCurrentWidget(m_pageWidget);
    m_pageTabs->blockSignals(true);
    m_pageTabs->addTab(m_run->windowText());
    for (const std::unique_ptr<InputLevelPage> &inputPage : m_run->inputLevelPages()) {
        QWidget *fields = nullptr;
        if (m_run->transducer() == TransducerType::BoneVibrator)
            fields = new CBoneInputLvlsPP(*inputPage, &m_context.services.preferences, m_pageArea);
        else if (inputPage->firstIndex() == InputLevelPage::indexRange(InputLevelRange::High).first)
            fields = new CHighInputLevelsPP(*inputPage, m_pageArea);
        else
            fields = new CLowInputLevelsPP(*inputPage, m_pageArea);
        m_inputWidgets.push_back(fields);
        m_pageArea->addWidget(fields);
        m_pageTabs->addTab(inputPage->title());
    }
    m_pageArea->setCurrentWidget(m_pageWidget);
    m_pageTabs->setCurrentIndex(0);
    m_pageTabs->blockSignals(false);
    m_pageTabs->show();
    updateControls();
}

void CAudTestView::PageListChanged()
{
    if (m_pageWidget)
        m_pageWidget->refresh();
}

void CAudTestView::dropPageWidget()
{
    // Nothing of these reaches its page unless the technician edits a field, which a hidden widget
    // never gets; they go at once.
    for (QWidget *fields : m_inputWidgets) {
        m_pageArea->removeWidget(fields);
        delete fields;
    }
    m_inputWidgets.clear();
    if (!m_pageWidget)
        return;
    m_pageWidget->detach();
    m_pageArea->removeWidget(m_pageWidget);
    m_pageWidget->hide();
    // Deferred: the widget may be the sender of the click that brought us here.
    m_pageWidget->deleteLater();
    m_pageWidget = nullptr;
}

// ---- controls --------------------------------------------------------------------------------------

void CAudTestView::chooseMeasurement(int row)
{
    if (m_syncing)
        return;
    const std::optional<MeasurementEntry> entry = measurementEntryAt(row);
    if (entry) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (m_run->isOpen())
            m_run->ChooseMeasurement(*entry);
        else
            m_run->Open(*entry, m_transducerChoice, static_cast<Ear>(m_ear->currentIndex()));
        QApplication::restoreOverrideCursor();
    }
    sync();
}

void CAudTestView::chooseTransducer(int position)
{
    if (m_syncing)
        return;
    if (m_run->isOpen())
        m_run->ChooseTransducerPosition(position);
    else if (position >= 0 && position < kTransducerTypes)
        m_transducerChoice = static_cast<TransducerType>(position); // the initial list is in type order
    sync();
}

void CAudTestView::chooseEar(int index)
{
    if (m_syncing)
        return;
    if (m_run->isOpen() && index >= 0)
        m_run->ChooseEar(static_cast<Ear>(index));
    sync();
}

void CAudTestView::measureAll()
{
    m_run->MeasureAll();
    updateControls();
}

void CAudTestView::measureSelected()
{
    if (!m_pageWidget)
        return;
    m_run->MeasureSelected(m_pageWidget->selectedRows());
    updateControls();
}

void CAudTestView::humidityTemperature()
{
    TestSetup &setup = m_context.record.setup;
    TestConditions conditions{setup.temperature, setup.pressure, setup.humidity};
    if (!CTempHumidityDlg::run(conditions, m_context.services.interaction, this))
        return;
    setup.temperature = conditions.temperature;
    setup.pressure = conditions.pressure;
    setup.humidity = conditions.humidity;
    // The conditions are part of the test, like a reading.
    if (m_context.recordChanged)
        m_context.recordChanged(true);
}

void CAudTestView::ok()
{
    if (m_run->busy())
        return;
    if (m_run->isOpen()) {
        leave(true);
        return;
    }
    // Nothing was opened, so there is nothing to hand on.
    if (m_context.returnToSummary)
        m_context.returnToSummary();
}

void CAudTestView::cancel()
{
    if (m_run->busy())
        return;
    if (m_run->isOpen()) {
        m_run->Cancel();
        return;
    }
    if (m_context.returnToSummary)
        m_context.returnToSummary();
}

void CAudTestView::sync()
{
    const QuietScope quiet(m_syncing);
    const bool open = m_run->isOpen();
    const int entry = static_cast<int>(m_run->measurement());
    if (open && entry < m_measurements->count())
        m_measurements->setCurrentRow(entry);
    else if (open)
        m_measurements->setCurrentRow(-1); // the entry past the list's end, reached by Next Test
    else if (m_measurements->currentRow() >= 0)
        m_measurements->setCurrentRow(-1);

    const QStringList transducers = m_run->transducerList();
    QStringList shown;
    for (int i = 0; i < m_transducers->count(); ++i)
        shown << m_transducers->item(i)->text();
    if (shown != transducers) {
        m_transducers->clear();
        m_transducers->addItems(transducers);
    }
    const QList<TransducerType> offered = measurementListEntry(m_run->measurement()).transducers;
    m_transducers->setCurrentRow(open ? static_cast<int>(offered.indexOf(m_run->transducer()))
                                      : static_cast<int>(m_transducerChoice));
    if (open)
        m_ear->setCurrentIndex(static_cast<int>(m_run->ear()));
    m_windowText->setText(open ? m_run->windowText() : QString());
    updateControls();
}

void CAudTestView::updateControls()
{
    const bool busy = m_run->busy();
    const bool open = m_run->isOpen();
    const bool measurable = open && !busy && m_run->page() && m_run->connected();
    // While a page measures, nothing that would replace or close it can be used.
    m_measurements->setEnabled(!busy);
    m_transducers->setEnabled(!busy);
    m_ear->setEnabled(!busy);
    m_measureAll->setEnabled(measurable);
    m_measureSelected->setEnabled(measurable && m_pageWidget && !m_pageWidget->selectedRows().isEmpty());
    m_adjust->setVisible(open && m_run->adjustAvailable());
    // Adjusting reads the meter through the shown page's corrections.
    m_adjust->setEnabled(!busy && m_run->connected() && m_run->page());
    m_nextTest->setEnabled(open && !busy);
    m_save->setEnabled(open && !busy);
    m_ok->setEnabled(!busy);
    m_cancel->setEnabled(!busy);
    m_humidity->setEnabled(!busy);
    // The page's list stays readable while it fills; only its own option waits.
    if (auto *hearingLevel = qobject_cast<HearingLevelPageWidget *>(m_pageWidget))
        hearingLevel->showCorrections()->setEnabled(!busy);
    if (auto *bone = qobject_cast<BoneLevelsPageWidget *>(m_pageWidget))
        bone->setOptionsEnabled(!busy);
    for (QWidget *fields : m_inputWidgets)
        fields->setEnabled(!busy);
}

void CAudTestView::updateClock()
{
    const QTime now = QTime::currentTime();
    m_clock->setText(MeasurementRun::clockText(now.hour(), now.minute()));
    m_date->setText(QLocale::c().toString(QDate::currentDate(), QStringLiteral("ddd, MMM d, yyyy")));
}

} // namespace tonva
