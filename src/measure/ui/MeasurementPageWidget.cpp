#include "measure/ui/MeasurementPageWidget.h"

#include "measure/BoneConductionTest.h"
#include "measure/HearingLevelTest.h"
#include "measure/LinearityTest.h"
#include "measure/ui/BoneLevelsPageWidget.h"
#include "measure/SoundFieldTest.h"
#include "measure/SpeechTest.h"
#include "measure/ui/LinearityPageWidget.h"
#include "measure/ui/SoundFieldPageWidget.h"
#include "measure/MaskingNoiseTest.h"
#include "measure/ui/MaskingNoisePageWidget.h"
#include "measure/ui/SpeechPageWidget.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace tonva {

MeasurementPageWidget::MeasurementPageWidget(MeasurementPage &page, QWidget *parent)
    : QWidget(parent), m_page(&page)
{
    setObjectName(QStringLiteral("measurementPage"));
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("pageList"));
    m_list->setModel(&m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MeasurementPageWidget::selectionChanged);

    m_controls = new QHBoxLayout;
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list, 1);
    layout->addLayout(m_controls);
    refresh();
}

MeasurementPageWidget::~MeasurementPageWidget() = default;

MeasurementPageWidget *MeasurementPageWidget::create(MeasurementPage &page, QWidget *parent)
{
    if (auto *hearingLevel = dynamic_cast<HearingLevelTest *>(&page))
        return new HearingLevelPageWidget(*hearingLevel, parent);
    if (auto *linearity = dynamic_cast<LinearityTest *>(&page))
        return new LinearityPageWidget(*linearity, parent);
    if (auto *masking = dynamic_cast<MaskingNoiseTest *>(&page))
        return new MaskingNoisePageWidget(*masking, parent);
    if (auto *bone = dynamic_cast<BoneConductionTest *>(&page))
        return new BoneLevelsPageWidget(*bone, parent);
    if (auto *speech = dynamic_cast<SpeechTest *>(&page))
        return new SpeechPageWidget(*speech, parent);
    if (auto *soundField = dynamic_cast<SoundFieldTest *>(&page))
        return new SoundFieldPageWidget(*soundField, parent);
    return new MeasurementPageWidget(page, parent);
}

void MeasurementPageWidget::refresh()
{
    m_model.setTable(m_page ? m_page->List() : PageTable{});
}

void MeasurementPageWidget::detach()
{
    m_page = nullptr;
    m_model.clear();
    setEnabled(false);
}

QList<int> MeasurementPageWidget::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_list->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MeasurementPageWidget::selectRows(const QList<int> &rows)
{
    QItemSelection selection;
    for (const int row : rows) {
        if (row >= 0 && row < m_model.rowCount())
            selection.select(m_model.index(row, 0), m_model.index(row, m_model.columnCount() - 1));
    }
    m_list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect |
                                                    QItemSelectionModel::Rows);
}

HearingLevelPageWidget::HearingLevelPageWidget(HearingLevelTest &page, QWidget *parent)
    : MeasurementPageWidget(page, parent)
{
    m_showCorrections = new QCheckBox(QStringLiteral("Show Applied Corrections"), this);
    m_showCorrections->setObjectName(QStringLiteral("showCorrections"));
    controls()->addWidget(m_showCorrections);
    controls()->addStretch();
    connect(m_showCorrections, &QCheckBox::toggled, this, [this](bool show) {
        // The page may already be gone while the widget waits for its deletion.
        if (auto *hearingLevel = dynamic_cast<HearingLevelTest *>(this->page())) {
            hearingLevel->setShowCorrections(show);
            refresh();
        }
    });
}

} // namespace tonva
