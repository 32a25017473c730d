#pragma once

#include "app/MeasurementSummary.h"
#include "app/ui/FrameView.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace tonva {

class CVemoraDoc;
class Interaction;
class ViewHost;

// The measurement summary of the current audiometer test: its date and technician, the status of
// every measurement by transducer, and the way to the measurement sheet and the set-up.
class CVemoraView final : public QWidget, public FrameView
{
    Q_OBJECT

public:
    // What the view needs to know of the program beyond the document.
    struct Context
    {
        std::function<bool()> instrumentsDefined;
        std::function<bool()> preferencesSet;
        // Told the technician to remember as the current one after the fields were stored.
        std::function<void(const QString &)> rememberTechnician;
    };

    CVemoraView(CVemoraDoc &document, Interaction &interaction, ViewHost &host, Context context,
                QWidget *parent = nullptr);

    SummaryFields fields() const;
    // Shows the current test again (after it was replaced or measured).
    void refresh();

    void aboutToLeave(ViewId next) override;
    bool handleSave() override;

    static constexpr int kColumns = 6;
    static QStringList columnTitles();

private:
    void goToMeasurement();
    void done();
    void cancel();

    CVemoraDoc &m_document;
    ViewHost &m_host;
    Context m_context;
    MeasurementSummary m_summary;
    bool m_cancelling = false;

    QLineEdit *m_year;
    QComboBox *m_month;
    QLineEdit *m_day;
    QLabel *m_audiometer;
    QLineEdit *m_technician;
    QTableWidget *m_status;
};

} // namespace tonva
