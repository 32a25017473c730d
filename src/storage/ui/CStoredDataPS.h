#pragma once

#include "storage/StoredDataSheet.h"

#include <QDialog>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeView;

namespace tonva {

class StoredRowsModel;

// What the two pages share: the filter fields above, the filter text, Find and the list of rows.
class StoredPageBase : public QWidget
{
    Q_OBJECT
public:
    // Runs the filter and shows what it finds.
    virtual void find() = 0;
    // Shows the page's rows again, after Delete refilled them.
    void showRows();
    QTreeView *list() const { return m_list; }

Q_SIGNALS:
    void highlightChanged();
    void rowActivated();

protected:
    StoredPageBase(std::vector<ListColumn> columns, const QString &name, QWidget *parent);

    QLineEdit *addTextField(const QString &label, const QString &objectName);
    // An optional date: a box that sets it and the date itself.
    std::pair<QCheckBox *, QDateEdit *> addDateField(const QString &label, const QString &objectName);
    static QDate dateOf(const std::pair<QCheckBox *, QDateEdit *> &field);
    // The right-hand column of the filter, beside the texts.
    QFormLayout *sideForm() const { return m_sideForm; }
    void setRows(const std::vector<StoredListRow> &rows, int highlightedId, const QString &filterText);
    virtual void highlight(int id) = 0;

private:
    QFormLayout *m_form;
    QFormLayout *m_sideForm;
    QLabel *m_filterText;
    QTreeView *m_list;
    StoredRowsModel *m_model;
};

// The audiometer tests: serial number, model, technician, channel and dates.
class CStoredAudDataPP : public StoredPageBase
{
    Q_OBJECT
public:
    CStoredAudDataPP(StoredDataSheet &sheet, QWidget *parent = nullptr);
    void find() override;
    void refresh();

protected:
    void highlight(int id) override;

private:
    StoredDataSheet &m_sheet;
    QLineEdit *m_serial;
    QLineEdit *m_modelNum;
    QLineEdit *m_technician;
    QComboBox *m_channel;
    std::pair<QCheckBox *, QDateEdit *> m_from;
    std::pair<QCheckBox *, QDateEdit *> m_to;
};

// The booth surveys: customer, booth and dates.
class CStoredAmbientPP : public StoredPageBase
{
    Q_OBJECT
public:
    CStoredAmbientPP(StoredDataSheet &sheet, QWidget *parent = nullptr);
    void find() override;
    void refresh();

protected:
    void highlight(int id) override;

private:
    StoredDataSheet &m_sheet;
    QLineEdit *m_customer;
    QLineEdit *m_booth;
    std::pair<QCheckBox *, QDateEdit *> m_from;
    std::pair<QCheckBox *, QDateEdit *> m_to;
};

// "Stored Measurements": the pages, Retrieve (the sheet's OK), Delete and Cancel.
class CStoredDataPS : public QDialog
{
    Q_OBJECT
public:
    CStoredDataPS(const Database *database, Interaction &interaction, StoredSheetPages pages,
                  QWidget *parent = nullptr);

    // Runs the sheet: what Retrieve chose, or nothing on Cancel.
    static std::optional<StoredSelection> run(const Database *database, Interaction &interaction,
                                              StoredSheetPages pages, QWidget *parent);

    StoredDataSheet &sheet() { return m_sheet; }
    CStoredAudDataPP *testPage() const { return m_testPage; }
    CStoredAmbientPP *surveyPage() const { return m_surveyPage; }

    void deleteHighlighted();

private:
    void updateButtons();

    StoredDataSheet m_sheet;
    QTabWidget *m_tabs;
    CStoredAudDataPP *m_testPage = nullptr;
    CStoredAmbientPP *m_surveyPage = nullptr;
    QPushButton *m_retrieve = nullptr;
    QPushButton *m_delete = nullptr;
};

} // namespace tonva
