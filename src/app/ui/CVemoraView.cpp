#include "app/ui/CVemoraView.h"

#include "app/CVemoraDoc.h"
#include "app/ui/ViewHost.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tonva {

namespace {

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

QStringList CVemoraView::columnTitles()
{
    return {QStringLiteral("Test name"),        QStringLiteral("Supra-aural Earphones"),
            QStringLiteral("Bone Vibrator"),    QStringLiteral("Speakers"),
            QStringLiteral("Insert Earphones"), QStringLiteral("Circumaural Earphones")};
}

CVemoraView::CVemoraView(CVemoraDoc &document, Interaction &interaction, ViewHost &host, Context context,
                         QWidget *parent)
    : QWidget(parent), m_document(document), m_host(host), m_context(std::move(context)),
      m_summary(document, interaction)
{
    setObjectName(QStringLiteral("summaryView"));

    m_year = new QLineEdit(this);
    m_year->setObjectName(QStringLiteral("yearEdit"));
    m_year->setMaxLength(4);
    m_year->setMaximumWidth(60);
    m_month = new QComboBox(this);
    m_month->setObjectName(QStringLiteral("monthCombo"));
    m_month->addItems({QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
                       QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
                       QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")});
    m_day = new QLineEdit(this);
    m_day->setObjectName(QStringLiteral("dayEdit"));
    m_day->setMaxLength(2);
    m_day->setMaximumWidth(40);
    m_audiometer = new QLabel(this);
    m_audiometer->setObjectName(QStringLiteral("audiometerLine"));
    m_technician = new QLineEdit(this);
    m_technician->setObjectName(QStringLiteral("technicianEdit"));
    m_technician->setMaxLength(40);

    m_status = new QTableWidget(kMeasurementKinds, kColumns, this);
    m_status->setObjectName(QStringLiteral("statusGrid"));
    m_status->setHorizontalHeaderLabels(columnTitles());
    m_status->verticalHeader()->hide();
    m_status->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_status->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_status->setSelectionMode(QAbstractItemView::SingleSelection);
    m_status->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_status->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // Widths as laid out for the dialog units of the original form, scaled to the font.
    const int unit = fontMetrics().averageCharWidth();
    const int widths[kColumns] = {135, 45, 75, 70, 70, 90};
    for (int c = 0; c < kColumns; ++c)
        m_status->setColumnWidth(c, std::max(widths[c] * unit / 4, fontMetrics().horizontalAdvance(columnTitles()[c]) + 2 * unit));
    m_status->horizontalHeader()->setStretchLastSection(true);

    auto *goToMeasurementButton = button(QStringLiteral("Go To Measurement..."), "goToMeasurementButton", this);
    auto *goToSetup = button(QStringLiteral("Go To Equipment Setup..."), "goToSetupButton", this);
    auto *doneButton = button(QStringLiteral("Done"), "doneButton", this);
    auto *cancelButton = button(QStringLiteral("Cancel"), "cancelButton", this);

    auto *date = new QHBoxLayout;
    date->addWidget(m_year);
    date->addWidget(m_month);
    date->addWidget(m_day);
    date->addStretch();
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Test Date:"), date);
    form->addRow(QStringLiteral("Audiometer:"), m_audiometer);
    form->addRow(QStringLiteral("Calibration Technician:"), m_technician);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(goToMeasurementButton);
    buttons->addWidget(goToSetup);
    buttons->addStretch();
    buttons->addWidget(doneButton);
    buttons->addWidget(cancelButton);

    auto *body = new QHBoxLayout;
    body->addWidget(m_status, 1);
    body->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(body, 1);

    connect(goToMeasurementButton, &QPushButton::clicked, this, &CVemoraView::goToMeasurement);
    connect(m_status, &QTableWidget::cellDoubleClicked, this, [this] { goToMeasurement(); });
    connect(goToSetup, &QPushButton::clicked, this, [this] { m_host.switchView(ViewId::TestSetup); });
    connect(doneButton, &QPushButton::clicked, this, &CVemoraView::done);
    connect(cancelButton, &QPushButton::clicked, this, &CVemoraView::cancel);

    refresh();
}

void CVemoraView::refresh()
{
    const SummaryFields fields = m_summary.fields();
    m_year->setText(fields.yearText);
    m_month->setCurrentIndex(fields.month - 1);
    m_day->setText(fields.dayText);
    m_technician->setText(fields.technician);
    m_audiometer->setText(m_summary.audiometerLine());

    const AudTestRecord &record = m_document.currentTest();
    for (int kind = 0; kind < kMeasurementKinds; ++kind) {
        auto *name = new QTableWidgetItem(MeasurementSummary::measurementName(kind));
        m_status->setItem(kind, 0, name);
        for (int t = 0; t < kTransducerTypes; ++t) {
            const std::int32_t status =
                record.statusOf(static_cast<MeasurementKind>(kind), static_cast<TransducerType>(t));
            auto *cell = new QTableWidgetItem(MeasurementSummary::statusText(status));
            cell->setTextAlignment(Qt::AlignCenter);
            if (status == static_cast<std::int32_t>(ResultStatus::Failed)) {
                QFont bold = cell->font();
                bold.setBold(true);
                cell->setFont(bold);
                cell->setForeground(QColor(0xb0, 0x00, 0x20));
            }
            m_status->setItem(kind, t + 1, cell);
        }
    }
}

SummaryFields CVemoraView::fields() const
{
    SummaryFields fields;
    fields.yearText = m_year->text();
    fields.month = m_month->currentIndex() + 1;
    fields.dayText = m_day->text();
    fields.technician = m_technician->text();
    return fields;
}

void CVemoraView::aboutToLeave(ViewId)
{
    if (m_cancelling)
        return;
    // Stored whether or not the test was already modified, so a technician typed here is never lost.
    if (const std::optional<QString> technician = m_summary.store(fields());
        technician && m_context.rememberTechnician)
        m_context.rememberTechnician(*technician);
}

bool CVemoraView::handleSave()
{
    const bool instruments = !m_context.instrumentsDefined || m_context.instrumentsDefined();
    const bool preferences = !m_context.preferencesSet || m_context.preferencesSet();
    if (m_summary.save(fields(), instruments, preferences))
        refresh();
    return true;
}

void CVemoraView::goToMeasurement()
{
    const QList<QTableWidgetItem *> selected = m_status->selectedItems();
    const int row = selected.isEmpty() ? -1 : selected.first()->row();
    m_host.switchView(ViewId::AudTest, row);
}

void CVemoraView::done()
{
    if (m_summary.done(fields()))
        m_host.switchView(ViewId::Idle);
}

void CVemoraView::cancel()
{
    if (!m_summary.cancel())
        return;
    m_cancelling = true;
    // A refused switch keeps this view; it must store its fields again when it is left later.
    if (!m_host.switchView(ViewId::Idle))
        m_cancelling = false;
}

} // namespace tonva
