#include "inventory/ui/CEquipListsView.h"
#include "inventory/ui/CImportEquipSetupDlg.h"

#include "inventory/ui/OverdueMark.h"
#include "model/FixedText.h"
#include "model/ReferenceData.h"
#include "platform/PreferenceIndex.h"

#include <QApplication>
#include <QClipboard>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace tonva {

namespace {

constexpr InstrumentKind kKinds[] = {InstrumentKind::SoundLevelMeter, InstrumentKind::Calibrator,
                                     InstrumentKind::Microphone, InstrumentKind::Mastoid,
                                     InstrumentKind::Preamplifier};

struct CategoryTexts
{
    const char *treeLabel;
    const char *hint;
    const char *title;
    const IntPreference *current;
};

CategoryTexts textsOf(InstrumentKind kind)
{
    switch (kind) {
    case InstrumentKind::SoundLevelMeter:
        return {"Sound Level Meters", "Select available Sound Level Meter or enter data to add a new instrument.",
                "Sound Level Meters", &preference::CurrentSlm};
    case InstrumentKind::Calibrator:
        return {"Calibrators", "Select available Calibrator or enter data to add a new instrument.",
                "Calibrators", &preference::CurrentCalibrator};
    case InstrumentKind::Microphone:
        return {"Microphones", "Select available Microphone or enter data to add a new instrument.",
                "Microphones", &preference::CurrentMike};
    case InstrumentKind::Mastoid:
        return {"Mastoids", "Select available Mastoid or enter data to add a new instrument.", "Mastoids",
                &preference::CurrentMastoid};
    case InstrumentKind::Preamplifier:
        break;
    }
    return {"Preamps", "Select available Preamp or enter data to add a new instrument", "Microphone Preamps",
            &preference::CurrentPreamp};
}

enum Page
{
    IdentityOnly,
    CalibratorPage,
    MicrophonePage,
    MastoidPage
};

Page pageOf(InstrumentKind kind)
{
    switch (kind) {
    case InstrumentKind::Calibrator:
        return CalibratorPage;
    case InstrumentKind::Microphone:
        return MicrophonePage;
    case InstrumentKind::Mastoid:
        return MastoidPage;
    default:
        return IdentityOnly;
    }
}

// Text that is no finite number counts as not entered, so the inventory rules refuse it with their
// own message. "nan" and "inf" parse as numbers and would slip past every range check into the
// corrections a measurement applies.
float parsedNumber(const QString &text, bool *ok = nullptr)
{
    bool parsed = false;
    const float value = text.trimmed().toFloat(&parsed);
    const bool valid = parsed && std::isfinite(value);
    if (ok)
        *ok = valid;
    return valid ? value : 0.0f;
}

float numberIn(const QLineEdit *edit)
{
    return parsedNumber(edit->text());
}

QString numberText(float value)
{
    return value == 0.0f ? QString() : QString::number(double(value), 'g', 7);
}

QLineEdit *textField(const char *name, int maxLength, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    return edit;
}

} // namespace

// ---- ResponseGrid -----------------------------------------------------------------------------------

ResponseGrid::ResponseGrid(const QStringList &columns, int firstIndex, int count, QWidget *parent)
    : QTableWidget(count, int(columns.size()), parent)
{
    setHorizontalHeaderLabels(columns);
    QStringList rows;
    for (int index = firstIndex; index < firstIndex + count; ++index)
        rows << frequencyLabel(index).trimmed();
    setVerticalHeaderLabels(rows);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

void ResponseGrid::setColumn(int column, const float *values)
{
    for (int row = 0; row < rowCount(); ++row)
        // 0 dB is a real reading on a response chart, so it is shown, unlike an empty field.
        setItem(row, column, new QTableWidgetItem(QString::number(double(values[row]), 'g', 7)));
}

void ResponseGrid::readColumn(int column, float *values) const
{
    for (int row = 0; row < rowCount(); ++row) {
        const QTableWidgetItem *cell = item(row, column);
        values[row] = cell ? parsedNumber(cell->text()) : 0.0f;
    }
}

void ResponseGrid::pasteText(const QString &text)
{
    const int firstRow = std::max(currentRow(), 0);
    const int firstColumn = std::max(currentColumn(), 0);
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineBreak);
    // A copied spreadsheet column ends with a line break, which is no further row.
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    for (int line = 0; line < lines.size() && firstRow + line < rowCount(); ++line) {
        const QStringList cells = lines[line].split(QLatin1Char('\t'));
        for (int cell = 0; cell < cells.size() && firstColumn + cell < columnCount(); ++cell) {
            bool ok = false;
            const float value = parsedNumber(cells[cell], &ok);
            setItem(firstRow + line, firstColumn + cell,
                    new QTableWidgetItem(ok ? QString::number(double(value), 'g', 7) : QString()));
        }
    }
}

void ResponseGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteText(QApplication::clipboard()->text());
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

// ---- CEquipListsView ------------------------------------------------------------------------------------

CEquipListsView::CEquipListsView(CVemoraDoc &document, PreferenceStore &preferences, Interaction &interaction,
                                 ViewHost &host, QDate today, QWidget *parent)
    : QWidget(parent), m_document(document), m_preferences(preferences), m_interaction(interaction),
      m_host(host), m_today(today), m_instruments(document.inventory(), interaction, today.year())
{
    setObjectName(QStringLiteral("equipListsView"));
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("categoryTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(false);
    for (InstrumentKind kind : kKinds)
        new QTreeWidgetItem(m_tree, QStringList{QLatin1String(textsOf(kind).treeLabel)});
    m_tree->setMaximumWidth(200);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("titleLabel"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    m_title->setFont(titleFont);
    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("hintLabel"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("instrumentList"));

    auto *add = new QPushButton(QStringLiteral("Add"), this);
    auto *update = new QPushButton(QStringLiteral("Update"), this);
    auto *remove = new QPushButton(QStringLiteral("Delete"), this);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    add->setObjectName(QStringLiteral("addButton"));
    update->setObjectName(QStringLiteral("updateButton"));
    remove->setObjectName(QStringLiteral("deleteButton"));
    close->setObjectName(QStringLiteral("closeButton"));
    connect(add, &QPushButton::clicked, this, &CEquipListsView::addInstrument);
    connect(update, &QPushButton::clicked, this, &CEquipListsView::updateInstrument);
    connect(remove, &QPushButton::clicked, this, &CEquipListsView::deleteInstrument);
    connect(close, &QPushButton::clicked, this, &CEquipListsView::CloseInventoryWindow);

    auto *listColumn = new QVBoxLayout;
    listColumn->addWidget(m_list, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(update);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto *body = new QHBoxLayout;
    body->addLayout(listColumn, 1);
    body->addWidget(buildFields(), 2);

    auto *right = new QVBoxLayout;
    right->addWidget(m_title);
    right->addWidget(m_hint);
    right->addLayout(body, 1);
    right->addLayout(buttons);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addLayout(right, 1);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, &CEquipListsView::categoryChosen);
    connect(m_list, &QListWidget::currentRowChanged, this, &CEquipListsView::entryChosen);
    showCategory(InstrumentKind::SoundLevelMeter);
}

QWidget *CEquipListsView::buildFields()
{
    auto *fields = new QWidget(this);
    auto *identity = new QFormLayout;
    m_manufacturer = textField("manufacturerEdit", 25, fields);
    m_model = textField("modelEdit", 15, fields);
    m_serial = textField("serialEdit", 12, fields);
    m_due = textField("dueDateEdit", 12, fields);
    m_due->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
    identity->addRow(QStringLiteral("Manufacturer"), m_manufacturer);
    identity->addRow(QStringLiteral("Model"), m_model);
    identity->addRow(QStringLiteral("Serial Number"), m_serial);
    identity->addRow(QStringLiteral("Calibration Due"), m_due);

    m_pages = new QStackedWidget(fields);
    m_pages->setObjectName(QStringLiteral("detailPages"));
    m_pages->addWidget(new QWidget(m_pages));

    auto *calibrator = new QWidget(m_pages);
    auto *calibratorForm = new QFormLayout(calibrator);
    m_frequency = textField("frequencyEdit", 0, calibrator);
    m_level = textField("levelEdit", 0, calibrator);
    calibratorForm->addRow(QStringLiteral("Frequency (Hz)"), m_frequency);
    calibratorForm->addRow(QStringLiteral("Output Level (dB)"), m_level);
    m_pages->addWidget(calibrator);

    auto *microphone = new QWidget(m_pages);
    auto *micLayout = new QVBoxLayout(microphone);
    auto *micForm = new QFormLayout;
    m_micSensitivity = textField("micSensitivityEdit", 0, microphone);
    micForm->addRow(QStringLiteral("Sensitivity (mV/Pa)"), m_micSensitivity);
    micLayout->addLayout(micForm);
    m_micResponse = new ResponseGrid({QStringLiteral("Response (dB)")}, 0, kFrequencyCount, microphone);
    m_micResponse->setObjectName(QStringLiteral("micResponseGrid"));
    m_micGrid = new ResponseGrid({QStringLiteral("Grid Correction (dB)")}, kFirstGridFrequency,
                                 kGridFrequencyCount, microphone);
    m_micGrid->setObjectName(QStringLiteral("micGridGrid"));
    auto *micGrids = new QHBoxLayout;
    micGrids->addWidget(m_micResponse, 1);
    micGrids->addWidget(m_micGrid, 1);
    micLayout->addLayout(micGrids, 1);
    m_pages->addWidget(microphone);

    auto *mastoid = new QWidget(m_pages);
    auto *mastoidLayout = new QVBoxLayout(mastoid);
    auto *mastoidForm = new QFormLayout;
    m_mastoidSensitivity = textField("mastoidSensitivityEdit", 0, mastoid);
    m_kestinSensitivity = textField("kestinSensitivityEdit", 0, mastoid);
    m_lorvatSensitivity = textField("lorvatSensitivityEdit", 0, mastoid);
    m_pendrySensitivity = textField("pendrySensitivityEdit", 0, mastoid);
    mastoidForm->addRow(QStringLiteral("Sensitivity"), m_mastoidSensitivity);
    mastoidForm->addRow(QStringLiteral("Kestin Sensitivity"), m_kestinSensitivity);
    mastoidForm->addRow(QStringLiteral("Lorvat Sensitivity"), m_lorvatSensitivity);
    mastoidForm->addRow(QStringLiteral("Pendry Sensitivity"), m_pendrySensitivity);
    mastoidLayout->addLayout(mastoidForm);
    m_mastoidResponse = new ResponseGrid({QStringLiteral("Kestin"), QStringLiteral("Lorvat"), QStringLiteral("Pendry")},
                                         0, kFrequencyCount, mastoid);
    m_mastoidResponse->setObjectName(QStringLiteral("mastoidResponseGrid"));
    mastoidLayout->addWidget(m_mastoidResponse, 1);
    m_pages->addWidget(mastoid);

    for (QLineEdit *edit : fields->findChildren<QLineEdit *>())
        connect(edit, &QLineEdit::textEdited, this, &CEquipListsView::markPending);
    for (ResponseGrid *grid : {m_micResponse, m_micGrid, m_mastoidResponse})
        connect(grid, &QTableWidget::cellChanged, this, [this] {
            if (!m_filling)
                markPending();
        });

    auto *layout = new QVBoxLayout(fields);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(identity);
    layout->addWidget(m_pages, 1);
    return fields;
}

void CEquipListsView::showCategory(InstrumentKind kind)
{
    {
        const QSignalBlocker blocker(m_tree);
        m_tree->setCurrentItem(m_tree->topLevelItem(int(kind)));
    }
    m_kind = kind;
    const CategoryTexts texts = textsOf(kind);
    m_title->setText(QLatin1String(texts.title));
    m_hint->setText(QLatin1String(texts.hint));
    m_pages->setCurrentIndex(pageOf(kind));
    const int remembered = m_preferences.read(*texts.current);
    fillList(trustedPosition(remembered, m_instruments.list(kind).size()));
}

void CEquipListsView::categoryChosen()
{
    const int index = m_tree->indexOfTopLevelItem(m_tree->currentItem());
    if (index < 0 || InstrumentKind(index) == m_kind)
        return;
    if (!pendingChangesMayGo()) {
        const QSignalBlocker blocker(m_tree);
        m_tree->setCurrentItem(m_tree->topLevelItem(int(m_kind)));
        return;
    }
    showCategory(InstrumentKind(index));
}

void CEquipListsView::entryChosen()
{
    if (m_filling)
        return;
    const int row = m_list->currentRow();
    if (!pendingChangesMayGo()) {
        // Back to the entry whose edits are kept; -1 when they were for a new instrument.
        const QSignalBlocker blocker(m_list);
        m_list->setCurrentRow(m_shown);
        return;
    }
    loadEntry(row);
    if (row >= 0)
        rememberPosition(row);
}

bool CEquipListsView::pendingChangesMayGo()
{
    if (!m_pending)
        return true;
    return m_interaction.ask(QStringLiteral("There are changes that have not been Added or Updated.\nDo you wish "
                                            "to discard the changes?\n\nClick Yes to discard the changes and "
                                            "change the selection."),
                             Buttons::YesNo) == Answer::Yes;
}

void CEquipListsView::fillList(int select)
{
    m_filling = true;
    m_list->clear();
    const auto &entries = m_instruments.list(m_kind);
    for (const InventoryEntry &entry : entries) {
        new QListWidgetItem(ListLabel(entry), m_list);
        markIfOverdue(*m_list->model(), m_list->model()->index(m_list->count() - 1, 0), entry, m_today, *style());
    }
    m_list->setCurrentRow(select);
    m_filling = false;
    loadEntry(select);
}

void CEquipListsView::loadEntry(int position)
{
    const auto &entries = m_instruments.list(m_kind);
    m_entry = position >= 0 && std::size_t(position) < entries.size() ? entries[std::size_t(position)]
                                                                       : InventoryEntry{};
    m_shown = position;
    showFields(position < 0);
}

void CEquipListsView::showFields(bool blank)
{
    m_filling = true;
    const InstrumentIdentity identity = m_entry.bodyAs<InstrumentIdentity>();
    // New meters and preamps are nearly always the lab's own make: proposed, freely changed.
    if (blank && m_kind == InstrumentKind::SoundLevelMeter) {
        m_manufacturer->setText(QStringLiteral("Mervane"));
        m_model->setText(QStringLiteral("Trellan"));
    } else if (blank && m_kind == InstrumentKind::Preamplifier) {
        m_manufacturer->setText(QStringLiteral("Mervane"));
        m_model->setText(QStringLiteral("Quorran"));
    } else {
        m_manufacturer->setText(displayText(identity.manufacturer));
        m_model->setText(displayText(identity.model));
    }
    m_serial->setText(displayText(identity.serialNumber));
    m_due->setText(displayText(identity.calibrationDue));

    const CalibratorData calibrator = m_entry.bodyAs<CalibratorData>();
    m_frequency->setText(numberText(calibrator.frequency));
    m_level->setText(numberText(calibrator.level));
    const MicrophoneSlot mic = m_entry.bodyAs<MicrophoneSlot>();
    m_micSensitivity->setText(numberText(mic.sensitivity));
    m_micResponse->setColumn(0, mic.response);
    m_micGrid->setColumn(0, mic.gridCorrection);
    const MastoidData mastoid = m_entry.bodyAs<MastoidData>();
    m_mastoidSensitivity->setText(numberText(mastoid.sensitivity));
    m_kestinSensitivity->setText(numberText(mastoid.kestinSensitivity));
    m_lorvatSensitivity->setText(numberText(mastoid.lorvatSensitivity));
    m_pendrySensitivity->setText(numberText(mastoid.pendrySensitivity));
    m_mastoidResponse->setColumn(0, mastoid.kestinResponse);
    m_mastoidResponse->setColumn(1, mastoid.lorvatResponse);
    m_mastoidResponse->setColumn(2, mastoid.pendryResponse);
    m_filling = false;
    m_pending = false;
}

InventoryEntry CEquipListsView::collect() const
{
    InventoryEntry entry = m_entry;
    entry.typeCode = std::int32_t(inventoryTypeOf(m_kind));
    InstrumentIdentity identity = entry.bodyAs<InstrumentIdentity>();
    setDisplayText(identity.manufacturer, m_manufacturer->text());
    setDisplayText(identity.model, m_model->text());
    setDisplayText(identity.serialNumber, m_serial->text().trimmed());
    setDisplayText(identity.calibrationDue, m_due->text().trimmed());
    entry.setBody(identity);

    switch (m_kind) {
    case InstrumentKind::Calibrator: {
        CalibratorData body = entry.bodyAs<CalibratorData>();
        body.frequency = numberIn(m_frequency);
        body.level = numberIn(m_level);
        entry.setBody(body);
        break;
    }
    case InstrumentKind::Microphone: {
        MicrophoneSlot body = entry.bodyAs<MicrophoneSlot>();
        body.sensitivity = numberIn(m_micSensitivity);
        m_micResponse->readColumn(0, body.response);
        m_micGrid->readColumn(0, body.gridCorrection);
        entry.setBody(body);
        break;
    }
    case InstrumentKind::Mastoid: {
        MastoidData body = entry.bodyAs<MastoidData>();
        body.sensitivity = numberIn(m_mastoidSensitivity);
        body.kestinSensitivity = numberIn(m_kestinSensitivity);
        body.lorvatSensitivity = numberIn(m_lorvatSensitivity);
        body.pendrySensitivity = numberIn(m_pendrySensitivity);
        m_mastoidResponse->readColumn(0, body.kestinResponse);
        m_mastoidResponse->readColumn(1, body.lorvatResponse);
        m_mastoidResponse->readColumn(2, body.pendryResponse);
        entry.setBody(body);
        break;
    }
    default:
        break;
    }
    return entry;
}

void CEquipListsView::rememberPosition(int position)
{
    m_preferences.write(*textsOf(m_kind).current, position);
}

void CEquipListsView::addInstrument()
{
    const int position = m_instruments.AddInstrument(m_kind, collect());
    if (position < 0)
        return;
    rememberPosition(position);
    fillList(position);
}

void CEquipListsView::updateInstrument()
{
    const int position = m_shown;
    if (!m_instruments.UpdateInstrument(m_kind, position, collect()))
        return;
    fillList(position);
}

void CEquipListsView::deleteInstrument()
{
    const int position = m_shown;
    if (!m_instruments.DeleteInstrument(m_kind, position))
        return;
    rememberPosition(-1);
    fillList(-1);
}

void CEquipListsView::discardPendingInstrumentChanges()
{
    loadEntry(m_shown);
}

bool CEquipListsView::importPageShown() const
{
    return m_kind == InstrumentKind::Microphone || m_kind == InstrumentKind::Mastoid;
}

void CEquipListsView::importSetup()
{
    if (!importPageShown())
        return;
    if (m_pending &&
        m_interaction.ask(QStringLiteral("There are changes that have not been Added or Updated.\nDo you wish to "
                                         "discard the changes?\n\nClick Yes to discard the changes and continue "
                                         "with the import.\nClick No and then click Add or Update to save your "
                                         "changes."),
                          Buttons::YesNo) != Answer::Yes)
        return;
    CImportEquipSetupDlg dialog(m_preferences, m_kind, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (importSetupFile(dialog.path(), dialog.tabDelimited()))
        dialog.remember(m_preferences);
}

bool CEquipListsView::importSetupFile(const QString &path, bool tabDelimited)
{
    const bool mastoid = m_kind == InstrumentKind::Mastoid;
    SetupFile file;
    if (path.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive)) {
        if (!mastoid) {
            m_interaction.message(QStringLiteral("This file option is not yet implememented for microphones."));
            return false;
        }
        std::optional<SetupFile> certificate =
            ImportCertificateWorkbook(path, std::nullopt, m_interaction, [this]() -> std::optional<MastoidCoupler> {
                CSelectCoupler choice(this);
                if (choice.exec() != QDialog::Accepted)
                    return std::nullopt;
                return choice.coupler();
            });
        if (!certificate)
            return false;
        file = std::move(*certificate);
    } else {
        const SetupImportStatus parsed = ParseSetupFile(
            path, tabDelimited, mastoid ? SetupDataType::Mastoid : SetupDataType::Microphone, file);
        if (!parsed.ok()) {
            m_interaction.message(setupImportMessage(parsed, tabDelimited));
            return false;
        }
    }
    std::optional<MastoidCoupler> coupler;
    if (mastoid && !file.coupler) {
        CSelectCoupler choice(this);
        if (choice.exec() != QDialog::Accepted)
            return false;
        coupler = choice.coupler();
    }
    // The file's instrument, when it is the one the fields show, keeps what the file does not carry
    // (a mastoid's other couplers, a microphone's grid); another instrument starts blank, so nothing
    // of the one shown before is added under its serial number.
    const InventoryEntry current = collect();
    const std::string_view shownSerial = fixedText(current.bodyAs<InstrumentIdentity>().serialNumber);
    const bool sameInstrument =
        shownSerial == std::string_view(file.serialNumber.constData(), std::size_t(file.serialNumber.size()));
    SetupImportStatus mapped;
    const std::optional<InventoryEntry> imported =
        importedEntry(file, coupler, sameInstrument ? &current : nullptr, &mapped);
    if (!imported) {
        m_interaction.message(setupImportMessage(mapped, tabDelimited));
        return false;
    }
    m_entry = *imported;
    showFields(false);
    markPending();
    return true;
}

void CEquipListsView::CloseInventoryWindow()
{
    if (m_pending &&
        m_interaction.ask(QStringLiteral("There are changes that have not been Added or Updated.\nDo you wish to "
                                         "discard the changes?\n\nClick Yes to discard the changes and "
                                         "continue.\nClick No to stay in the instrumentation view."),
                          Buttons::YesNo) != Answer::Yes)
        return;
    m_pending = false;
    // A failed write was told to the technician; the lists stay in memory and open for another try.
    if (!m_document.SaveEquipmentLists())
        return;
    m_document.inventory().loaded = true;
    // The frame destroys this view while switching: nothing may follow.
    m_host.switchView(ViewId::Idle);
}

} // namespace tonva
