#include "ambient/ui/CAmbientView.h"

#include "ambient/BoothSave.h"
#include "app/CVemoraDoc.h"
#include "app/ui/ViewHost.h"
#include "model/FixedText.h"
#include "platform/Interaction.h"
#include "platform/PreferenceStore.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tonva {

namespace {

QString instrumentLine(const char *role, const InstrumentIdentity &identity)
{
    const QString model = displayText(identity.model);
    const QString serial = displayText(identity.serialNumber);
    return QStringLiteral("%1: %2 %3 %4")
        .arg(QLatin1String(role), displayText(identity.manufacturer), model,
             serial.isEmpty() ? QString() : QStringLiteral("(%1)").arg(serial))
        .trimmed();
}

QTableWidget *pageTable(const AmbientPage &page)
{
    auto *table = new QTableWidget(static_cast<int>(page.rows.size()), static_cast<int>(page.columns.size()));
    table->setObjectName(QStringLiteral("ambientPage"));
    table->setHorizontalHeaderLabels(page.columns);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int r = 0; r < page.rows.size(); ++r) {
        for (int c = 0; c < page.rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(page.rows[r][c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (page.failed.value(r))
                item->setForeground(QColor(Qt::red));
            table->setItem(r, c, item);
        }
    }
    return table;
}

} // namespace

CAmbientView::CAmbientView(Context context, QWidget *parent)
    : QWidget(parent), m_context(std::move(context)),
      m_display(AmbientDisplay::fromPreferences(m_context.preferences))
{
    setObjectName(QStringLiteral("CAmbientView"));
    auto *layout = new QVBoxLayout(this);
    auto *caption = new QLabel(QStringLiteral("Booth Ambient Levels Measurement"));
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    layout->addWidget(caption);

    m_sheet = new QTabWidget;
    m_sheet->setObjectName(QStringLiteral("ambientSheet"));
    auto *information = new QWidget;
    auto *form = new QFormLayout(information);
    const BoothRecord &record = m_context.document.currentBooth();
    m_testName = addField(form, QStringLiteral("Test Name:"), "testName", sizeof record.testName - 1);
    m_booth = addField(form, QStringLiteral("Booth:"), "booth", sizeof record.booth - 1);
    m_customer = addField(form, QStringLiteral("Customer Name:"), "customerName", sizeof record.customerName - 1);
    m_location1 = addField(form, QStringLiteral("Location:"), "location1", sizeof record.location1 - 1);
    m_location2 = addField(form, QString(), "location2", sizeof record.location2 - 1);
    m_date = new QLabel;
    m_date->setObjectName(QStringLiteral("measurementDate"));
    form->addRow(QStringLiteral("Measurement Date:"), m_date);
    m_instruments = new QLabel;
    m_instruments->setObjectName(QStringLiteral("instruments"));
    form->addRow(QStringLiteral("Instruments:"), m_instruments);
    m_sheet->addTab(information, QStringLiteral("Test Information"));
    layout->addWidget(m_sheet, 1);

    auto *buttons = new QHBoxLayout;
    const auto button = [&](const QString &text, const char *name, auto slot) {
        auto *b = new QPushButton(text);
        b->setObjectName(QLatin1String(name));
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        m_controls << b;
        return b;
    };
    button(QStringLiteral("Measure All"), "measureAll", [this] { measureAll(); });
    button(QStringLiteral("Ok"), "ok", [this] { accept(); });
    button(QStringLiteral("Save"), "save", [this] { save(); });
    m_showFail = new QCheckBox(QStringLiteral("Show Fail"));
    m_showFail->setObjectName(QStringLiteral("showFail"));
    m_showFail->setChecked(m_display.showFail);
    connect(m_showFail, &QCheckBox::toggled, this, [this](bool on) { setShowFail(on); });
    buttons->addWidget(m_showFail);
    m_controls << m_showFail;
    button(QStringLiteral("Show ANSI"), "showAnsi", [this] { showPages(BoothPages::Ansi); });
    button(QStringLiteral("Show OSHA"), "showOsha", [this] { showPages(BoothPages::Osha); });
    button(QStringLiteral("Show Both"), "showBoth", [this] { showPages(BoothPages::Both); });
    button(QStringLiteral("Cancel"), "cancel", [this] { cancel(); });
    layout->addLayout(buttons);
    m_controls << information;

    loadFields();
    const QString name = displayText(record.testName).trimmed();
    // A survey that came from the database keeps its name without the question about overwriting it.
    if (!name.isEmpty() && m_context.document.storedBoothId(name))
        m_storedName = name;
    rebuildPages();
}

QLineEdit *CAmbientView::addField(QFormLayout *form, const QString &label, const char *name, int maxLength)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(maxLength);
    form->addRow(label, edit);
    return edit;
}

void CAmbientView::loadFields()
{
    const BoothRecord &record = m_context.document.currentBooth();
    m_testName->setText(displayText(record.testName));
    m_booth->setText(displayText(record.booth));
    m_customer->setText(displayText(record.customerName));
    m_location1->setText(displayText(record.location1));
    m_location2->setText(displayText(record.location2));
    const QString date = displayText(record.measurementDate).trimmed();
    const QDate shown = date.isEmpty() ? m_context.today() : QDate::fromString(date, QStringLiteral("yyyy-MM-dd"));
    m_date->setText(shown.isValid() ? QLocale().toString(shown, QLocale::ShortFormat)
                                    : QStringLiteral("Invalid DateTime"));
    m_instruments->setText(instrumentLine("SLM", record.soundLevelMeter) + QLatin1Char('\n') +
                           instrumentLine("Preamp", record.preamplifier) + QLatin1Char('\n') +
                           instrumentLine("Mic", record.microphone.identity));
}

bool CAmbientView::collectFields()
{
    BoothRecord &record = m_context.document.currentBooth();
    bool differs = false;
    const auto take = [&differs](auto &field, const QLineEdit *edit) {
        if (displayText(field) != edit->text()) {
            setDisplayText(field, edit->text());
            differs = true;
        }
    };
    take(record.testName, m_testName);
    take(record.booth, m_booth);
    take(record.customerName, m_customer);
    take(record.location1, m_location1);
    take(record.location2, m_location2);
    return differs;
}

void CAmbientView::rebuildPages()
{
    m_pages = ambientPages(m_context.document.currentBooth(), m_display);
    const int current = m_sheet->currentIndex();
    while (m_sheet->count() > 1) {
        QWidget *page = m_sheet->widget(1);
        m_sheet->removeTab(1);
        delete page;
    }
    for (const AmbientPage &page : m_pages)
        m_sheet->addTab(pageTable(page), page.title);
    m_sheet->setCurrentIndex(std::min(current, m_sheet->count() - 1));
}

void CAmbientView::setBusy(bool busy)
{
    m_busy = busy;
    for (QWidget *control : m_controls)
        control->setEnabled(!busy);
    m_context.host.runBusyChanged(busy);
}

void CAmbientView::measureAll()
{
    if (m_busy)
        return;
    const auto [link, files] = m_context.meter ? m_context.meter() : std::pair<SlmLink *, SlmFileList *>{};
    if (!link || !files)
        return;
    setBusy(true);
    if (collectFields())
        m_changed = true;
    AmbientSurvey survey(*link, *files);
    if (!m_meterPrepared)
        m_meterPrepared = survey.prepareMeter();
    BoothRecord &record = m_context.document.currentBooth();
    if (m_meterPrepared &&
        survey.measure(record,
                       m_context.today(),
                       BoothEquipment::currentSelection(m_context.document.inventory(), m_context.preferences)) ==
            AmbientSurvey::Outcome::Measured) {
        m_beforeLastSurvey = survey.previous();
        m_changed = true;
    }
    loadFields();
    rebuildPages();
    setBusy(false);
}

bool CAmbientView::save()
{
    if (m_busy)
        return false;
    if (collectFields())
        m_changed = true;
    CVemoraDoc &document = m_context.document;
    const BoothRecord &record = document.currentBooth();
    const BoothSaveRequest request{displayText(record.testName), m_storedName, m_changed, holdsAmbientValues(record),
                                   [&document](const QString &name) { return document.storedBoothId(name).has_value(); }};
    const BoothSaveDecision decision = decideBoothSave(request, m_context.interaction);
    if (decision == BoothSaveDecision::NothingChanged)
        return true;
    if (decision != BoothSaveDecision::Save)
        return false;
    setDisplayText(document.currentBooth().testName, request.testName.trimmed());
    if (!document.SaveBooth())
        return false;
    m_storedName = request.testName.trimmed();
    m_testName->setText(m_storedName);
    m_changed = false;
    return true;
}

void CAmbientView::accept()
{
    if (save())
        m_context.host.switchView(ViewId::Idle);
}

void CAmbientView::cancel()
{
    if (m_busy)
        return;
    if (m_beforeLastSurvey)
        m_beforeLastSurvey->restoreInto(m_context.document.currentBooth());
    m_beforeLastSurvey.reset();
    m_cancelling = true;
    if (!m_context.host.switchView(ViewId::Idle))
        m_cancelling = false;
}

void CAmbientView::setShowFail(bool on)
{
    m_display.showFail = on;
    m_display.save(m_context.preferences);
    if (m_showFail->isChecked() != on)
        m_showFail->setChecked(on);
    rebuildPages();
}

void CAmbientView::showPages(BoothPages pages)
{
    m_display.pages = pages;
    m_display.save(m_context.preferences);
    rebuildPages();
}

void CAmbientView::aboutToLeave(ViewId next)
{
    Q_UNUSED(next);
    // What was typed stays with the current survey, as it would on the page; Cancel drops it.
    if (!m_cancelling)
        collectFields();
}

} // namespace tonva
