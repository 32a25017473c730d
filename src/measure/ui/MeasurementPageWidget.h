#pragma once

#include "measure/ui/PageTableModel.h"

#include <QList>
#include <QWidget>

class QBoxLayout;
class QCheckBox;
class QTableView;

namespace tonva {

class HearingLevelTest;
class MeasurementPage;

// Shows any measurement page: its list through a PageTableModel, the technician's row selection for
// Measure Selected, and room below the list for the few controls a page adds of its own.
//
// The run owns the page and destroys it when another page shows; the sheet calls detach() first, so
// a widget that lingers until its deferred deletion never reaches a page that is gone.
class MeasurementPageWidget : public QWidget
{
    Q_OBJECT

public:
    explicit MeasurementPageWidget(MeasurementPage &page, QWidget *parent = nullptr);
    ~MeasurementPageWidget() override;

    // The widget that suits `page`: the hearing-level page gets its "Show Applied Corrections", the
    // linearity page its direction.
    static MeasurementPageWidget *create(MeasurementPage &page, QWidget *parent = nullptr);

    // Reads the page's list again (after a reading, an adjustment or a changed option).
    virtual void refresh();
    void detach();
    MeasurementPage *page() const { return m_page; }

    // Selected rows of the list, top to bottom, as indices into the page's list.
    QList<int> selectedRows() const;
    void selectRows(const QList<int> &rows);

    PageTableModel &model() { return m_model; }
    QTableView *list() const { return m_list; }

Q_SIGNALS:
    void selectionChanged();

protected:
    // Where a page's own controls go, under the list.
    QBoxLayout *controls() const { return m_controls; }

private:
    MeasurementPage *m_page;
    PageTableModel m_model;
    QTableView *m_list;
    QBoxLayout *m_controls;
};

// The hearing-level page adds "Show Applied Corrections", which brings the reference and tolerance
// columns into its list.
class HearingLevelPageWidget final : public MeasurementPageWidget
{
    Q_OBJECT

public:
    explicit HearingLevelPageWidget(HearingLevelTest &page, QWidget *parent = nullptr);

    QCheckBox *showCorrections() const { return m_showCorrections; }

private:
    QCheckBox *m_showCorrections;
};

} // namespace tonva
