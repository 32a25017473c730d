#include "model/ui/CEarphoneRetSplDlg.h"

#include "model/ReferenceData.h"
#include "model/SetupRules.h"
#include "platform/Interaction.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

namespace tonva {

namespace {

constexpr int kFrequencyColumn = 0;
constexpr int kValueColumn = 1;

const QStringList kFileFilters = {QStringLiteral("Comma-Separated (*.csv)"), QStringLiteral("All Files (*.*)")};

QString valueText(float value)
{
    return QString::asprintf("%.1f", double(value));
}

// An empty cell means "not defined", which the levels hold as 0.0.
std::optional<float> cellValue(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0.0f;
    bool ok = false;
    const float value = trimmed.toFloat(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

CEarphoneRetSplDlg::CEarphoneRetSplDlg(const EarphoneSlot &slot, Interaction &interaction, QWidget *parent)
    : QDialog(parent), m_interaction(interaction), m_proposedFileName(proposedRetsplFileName(slot))
{
    setObjectName(QStringLiteral("CEarphoneRetSplDlg"));
    setWindowTitle(QStringLiteral("Reference Equivalent Threshold Sound Pressure Levels (RETSPL)"));
    std::copy(std::begin(slot.retspl), std::end(slot.retspl), std::begin(m_values));

    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(QStringLiteral("Enter your own Reference Equivalent Threshold Sound Pressure Levels.  "
                                           "You only need to provide values for frequencies for which your "
                                           "audiometer will be tested."),
                            this);
    text->setObjectName(QStringLiteral("textLabel"));
    text->setWordWrap(true);
    layout->addWidget(text);

    m_table = new QTableWidget(kFrequencyCount, 2, this);
    m_table->setObjectName(QStringLiteral("retsplTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Frequency (Hz)"), QStringLiteral("RETSPL (dB)")});
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int row = 0; row < kFrequencyCount; ++row) {
        auto *frequency = new QTableWidgetItem(frequencyLabel(row).trimmed());
        frequency->setFlags(Qt::ItemIsEnabled);
        frequency->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(row, kFrequencyColumn, frequency);
        auto *value = new QTableWidgetItem;
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(row, kValueColumn, value);
    }
    layout->addWidget(m_table, 1);

    auto *files = new QHBoxLayout;
    auto *saveButton = new QPushButton(QStringLiteral("Save..."), this);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    auto *loadButton = new QPushButton(QStringLiteral("Load..."), this);
    loadButton->setObjectName(QStringLiteral("loadButton"));
    files->addWidget(saveButton);
    files->addWidget(loadButton);
    files->addStretch(1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    files->addWidget(buttons);
    layout->addLayout(files);

    showValues();
    connect(m_table, &QTableWidget::itemChanged, this, &CEarphoneRetSplDlg::cellEdited);
    connect(saveButton, &QPushButton::clicked, this, &CEarphoneRetSplDlg::save);
    connect(loadButton, &QPushButton::clicked, this, &CEarphoneRetSplDlg::load);
    connect(buttons, &QDialogButtonBox::accepted, this, &CEarphoneRetSplDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CEarphoneRetSplDlg::reject);
    resize(420, 560);
}

bool CEarphoneRetSplDlg::edit(EarphoneSlot &slot, Interaction &interaction, QWidget *parent)
{
    CEarphoneRetSplDlg dialog(slot, interaction, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (std::equal(std::begin(slot.retspl), std::end(slot.retspl), std::begin(dialog.m_values)))
        return false;
    std::copy(std::begin(dialog.m_values), std::end(dialog.m_values), std::begin(slot.retspl));
    return true;
}

void CEarphoneRetSplDlg::showValues()
{
    const QSignalBlocker blocker(m_table);
    for (int row = 0; row < kFrequencyCount; ++row)
        m_table->item(row, kValueColumn)->setText(valueText(m_values[row]));
    m_invalidRows.clear();
}

void CEarphoneRetSplDlg::cellEdited(QTableWidgetItem *item)
{
    if (item->column() != kValueColumn)
        return;
    const int row = item->row();
    // Only a cell the technician changed takes a new value: the others keep the full precision of
    // the levels they came with, not the one decimal shown.
    if (const std::optional<float> value = cellValue(item->text())) {
        m_values[row] = *value;
        m_invalidRows.erase(row);
    } else {
        m_invalidRows.insert(row);
    }
}

bool CEarphoneRetSplDlg::cellsAreNumbers()
{
    if (m_invalidRows.empty())
        return true;
    const int row = *m_invalidRows.begin();
    m_interaction.message(
        QStringLiteral("The RETSPL at %1 Hz is not a number.").arg(frequencyLabel(row).trimmed()));
    m_table->setCurrentCell(row, kValueColumn);
    return false;
}

bool CEarphoneRetSplDlg::saveTo(const QString &path)
{
    // A file is written only with what the table shows.
    if (!cellsAreNumbers())
        return false;
    if (SaveRetsplFile(path, m_values))
        return true;
    m_interaction.message(QStringLiteral("Cannot save the reference levels to %1.").arg(path));
    return false;
}

bool CEarphoneRetSplDlg::loadFrom(const QString &path)
{
    float loaded[kFrequencyCount]{};
    QString error;
    if (!LoadRetsplFile(path, loaded, &error)) {
        m_interaction.message(error);
        return false;
    }
    std::copy(std::begin(loaded), std::end(loaded), std::begin(m_values));
    showValues();
    return true;
}

void CEarphoneRetSplDlg::accept()
{
    if (cellsAreNumbers())
        QDialog::accept();
}

void CEarphoneRetSplDlg::save()
{
    QFileDialog dialog(this, QStringLiteral("Save RETSPL"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(kFileFilters);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(m_proposedFileName);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        saveTo(dialog.selectedFiles().constFirst());
}

void CEarphoneRetSplDlg::load()
{
    QFileDialog dialog(this, QStringLiteral("Load RETSPL"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(kFileFilters);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        loadFrom(dialog.selectedFiles().constFirst());
}

} // namespace tonva
