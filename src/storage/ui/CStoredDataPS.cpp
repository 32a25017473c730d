#include "storage/ui/CStoredDataPS.h"

#include "storage/ui/StoredRowsModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace tonva {

namespace {

// The list's own width sets only the last column, which takes what the others leave.
constexpr int kListWidth = 600;
constexpr int kHighestChannel = 4;

} // namespace

StoredPageBase::StoredPageBase(std::vector<ListColumn> columns, const QString &name, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(name);
    m_form = new QFormLayout;
    m_sideForm = new QFormLayout;
    auto *findButton = new QPushButton(QStringLiteral("Find"), this);
    findButton->setObjectName(QStringLiteral("findButton"));
    findButton->setAutoDefault(false);
    connect(findButton, &QPushButton::clicked, this, [this] { find(); });
    m_filterText = new QLabel(this);
    m_filterText->setObjectName(QStringLiteral("filterText"));
    m_filterText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_filterText->setWordWrap(true);

    m_model = new StoredRowsModel(std::move(columns), this);
    m_list = new QTreeView(this);
    m_list->setObjectName(QStringLiteral("list"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(true);
    const std::vector<ListColumn> &shown = m_model->columns();
    for (std::size_t i = 0; i + 1 < shown.size(); ++i)
        m_list->header()->resizeSection(int(i), shown[i].width);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                highlight(current.isValid() ? m_model->idAt(current.row()) : -1);
                Q_EMIT highlightChanged();
            });
    connect(m_list, &QTreeView::doubleClicked, this, [this] { Q_EMIT rowActivated(); });

    auto *filterRow = new QHBoxLayout;
    filterRow->addLayout(m_form, 1);
    filterRow->addSpacing(16);
    filterRow->addLayout(m_sideForm);
    auto *findRow = new QHBoxLayout;
    findRow->addWidget(m_filterText, 1);
    findRow->addWidget(findButton, 0, Qt::AlignBottom);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addLayout(findRow);
    layout->addWidget(m_list, 1);
}

QLineEdit *StoredPageBase::addTextField(const QString &label, const QString &objectName)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(objectName);
    connect(edit, &QLineEdit::returnPressed, this, [this] { find(); });
    m_form->addRow(label, edit);
    return edit;
}

std::pair<QCheckBox *, QDateEdit *> StoredPageBase::addDateField(const QString &label,
                                                                 const QString &objectName)
{
    auto *set = new QCheckBox(label, this);
    set->setObjectName(objectName + QStringLiteral("Set"));
    auto *date = new QDateEdit(QDate::currentDate(), this);
    date->setObjectName(objectName);
    date->setCalendarPopup(true);
    date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date->setMinimumWidth(date->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 48);
    date->setEnabled(false);
    connect(set, &QCheckBox::toggled, date, &QWidget::setEnabled);
    m_sideForm->addRow(set, date);
    return {set, date};
}

QDate StoredPageBase::dateOf(const std::pair<QCheckBox *, QDateEdit *> &field)
{
    return field.first->isChecked() ? field.second->date() : QDate();
}

void StoredPageBase::setRows(const std::vector<StoredListRow> &rows, int highlightedId,
                             const QString &filterText)
{
    m_model->setRows(rows);
    m_filterText->setText(filterText.isEmpty() ? QStringLiteral("All stored measurements")
                                               : QStringLiteral("Filter: ") + filterText);
    const int row = m_model->rowOf(highlightedId);
    if (row >= 0)
        m_list->setCurrentIndex(m_model->index(row, 0));
}

CStoredAudDataPP::CStoredAudDataPP(StoredDataSheet &sheet, QWidget *parent)
    : StoredPageBase(testListColumns(kListWidth), QStringLiteral("testPage"), parent), m_sheet(sheet)
{
    m_serial = addTextField(QStringLiteral("Serial Number:"), QStringLiteral("serialNum"));
    m_modelNum = addTextField(QStringLiteral("Model Number:"), QStringLiteral("modelNum"));
    m_technician = addTextField(QStringLiteral("Technician:"), QStringLiteral("technician"));
    m_channel = new QComboBox(this);
    m_channel->setObjectName(QStringLiteral("channel"));
    m_channel->addItem(QStringLiteral("Any"));
    for (int channel = 1; channel <= kHighestChannel; ++channel)
        m_channel->addItem(QString::number(channel));
    sideForm()->addRow(QStringLiteral("Channel:"), m_channel);
    m_from = addDateField(QStringLiteral("Date from:"), QStringLiteral("dateFrom"));
    m_to = addDateField(QStringLiteral("Date to:"), QStringLiteral("dateTo"));
}

void CStoredAudDataPP::find()
{
    TestFilter &filter = m_sheet.testFilter;
    filter.serialNum = m_serial->text();
    filter.modelNum = m_modelNum->text();
    filter.technician = m_technician->text();
    filter.channel = m_channel->currentIndex();
    filter.dateFrom = dateOf(m_from);
    filter.dateTo = dateOf(m_to);
    m_sheet.fillTests();
    refresh();
}

void CStoredAudDataPP::refresh()
{
    setRows(m_sheet.testRows(), m_sheet.highlightedTest(), BuildTestFilter(m_sheet.testFilter));
    Q_EMIT highlightChanged();
}

void CStoredAudDataPP::highlight(int id)
{
    m_sheet.highlightTest(id);
}

CStoredAmbientPP::CStoredAmbientPP(StoredDataSheet &sheet, QWidget *parent)
    : StoredPageBase(boothListColumns(kListWidth), QStringLiteral("surveyPage"), parent), m_sheet(sheet)
{
    m_customer = addTextField(QStringLiteral("Customer:"), QStringLiteral("customer"));
    m_booth = addTextField(QStringLiteral("Booth:"), QStringLiteral("booth"));
    m_from = addDateField(QStringLiteral("Date from:"), QStringLiteral("dateFrom"));
    m_to = addDateField(QStringLiteral("Date to:"), QStringLiteral("dateTo"));
}

void CStoredAmbientPP::find()
{
    BoothFilter &filter = m_sheet.boothFilter;
    filter.customer = m_customer->text();
    filter.booth = m_booth->text();
    filter.dateFrom = dateOf(m_from);
    filter.dateTo = dateOf(m_to);
    m_sheet.fillSurveys();
    refresh();
}

void CStoredAmbientPP::refresh()
{
    setRows(m_sheet.surveyRows(), m_sheet.highlightedSurvey(), BuildBoothFilter(m_sheet.boothFilter));
    Q_EMIT highlightChanged();
}

void CStoredAmbientPP::highlight(int id)
{
    m_sheet.highlightSurvey(id);
}

CStoredDataPS::CStoredDataPS(const Database *database, Interaction &interaction, StoredSheetPages pages,
                             QWidget *parent)
    : QDialog(parent), m_sheet(database, interaction, pages)
{
    setWindowTitle(QStringLiteral("Stored Measurements"));
    m_tabs = new QTabWidget(this);
    if (m_sheet.showsTests()) {
        m_testPage = new CStoredAudDataPP(m_sheet, m_tabs);
        m_tabs->addTab(m_testPage, QStringLiteral("Audiometer Tests"));
        connect(m_testPage, &StoredPageBase::highlightChanged, this, &CStoredDataPS::updateButtons);
        connect(m_testPage, &StoredPageBase::rowActivated, this, &QDialog::accept);
    }
    if (m_sheet.showsSurveys()) {
        m_surveyPage = new CStoredAmbientPP(m_sheet, m_tabs);
        m_tabs->addTab(m_surveyPage, QStringLiteral("Booth Tests"));
        connect(m_surveyPage, &StoredPageBase::highlightChanged, this, &CStoredDataPS::updateButtons);
        connect(m_surveyPage, &StoredPageBase::rowActivated, this, &QDialog::accept);
    }

    auto *buttons = new QDialogButtonBox(this);
    m_retrieve = buttons->addButton(QStringLiteral("Retrieve"), QDialogButtonBox::AcceptRole);
    m_delete = buttons->addButton(QStringLiteral("Delete"), QDialogButtonBox::ActionRole);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_retrieve->setObjectName(QStringLiteral("retrieveButton"));
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton *button : {m_retrieve, m_delete, cancel})
        button->setAutoDefault(false);
    connect(m_retrieve, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_delete, &QPushButton::clicked, this, &CStoredDataPS::deleteHighlighted);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(buttons);
    resize(680, 520);

    // With no filter set each page lists its whole table.
    if (m_testPage)
        m_testPage->find();
    if (m_surveyPage)
        m_surveyPage->find();
    updateButtons();
}

std::optional<StoredSelection> CStoredDataPS::run(const Database *database, Interaction &interaction,
                                                  StoredSheetPages pages, QWidget *parent)
{
    CStoredDataPS sheet(database, interaction, pages, parent);
    if (sheet.exec() != QDialog::Accepted)
        return std::nullopt;
    return sheet.sheet().selection();
}

void CStoredDataPS::deleteHighlighted()
{
    if (!m_sheet.deleteHighlighted())
        return;
    if (m_surveyPage)
        m_surveyPage->refresh();
    if (m_testPage)
        m_testPage->refresh();
}

void CStoredDataPS::updateButtons()
{
    // Retrieve and Delete act on highlighted rows only; with none there is nothing to take.
    if (!m_retrieve)
        return;
    const bool any = !m_sheet.selection().empty();
    m_retrieve->setEnabled(any);
    m_delete->setEnabled(any);
}

} // namespace tonva
