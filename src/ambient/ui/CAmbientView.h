#pragma once

#include "ambient/AmbientPages.h"
#include "ambient/AmbientSurvey.h"
#include "app/ui/FrameView.h"

#include <QDate>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>

class QCheckBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace tonva {

class CVemoraDoc;
class Interaction;
class PreferenceStore;
class SlmFileList;
class SlmLink;
class ViewHost;

// "Booth Ambient Levels Measurement": the current booth survey's test information, its measurement
// and its pages against the ambient-noise limits. The decisions live in AmbientSurvey, the page
// builders and decideBoothSave; this window only shows them and forwards the buttons.
class CAmbientView : public QWidget, public FrameView
{
    Q_OBJECT
public:
    struct Context
    {
        CVemoraDoc &document;
        PreferenceStore &preferences;
        Interaction &interaction;
        ViewHost &host;
        // The connected meter, connecting first when it is not; nulls when that failed.
        std::function<std::pair<SlmLink *, SlmFileList *>()> meter;
        std::function<QDate()> today = [] { return QDate::currentDate(); };
    };

    explicit CAmbientView(Context context, QWidget *parent = nullptr);

    // Buttons, also for the tests.
    void measureAll();
    bool save();
    void accept();
    void cancel();
    void setShowFail(bool on);
    void showPages(BoothPages pages);

    bool isBusy() const { return m_busy; }
    // The pages as shown, for the tests and the screenshots.
    const QList<AmbientPage> &pages() const { return m_pages; }

    void aboutToLeave(ViewId next) override;
    bool handleSave() override { return save(); }

private:
    QLineEdit *addField(QFormLayout *form, const QString &label, const char *name, int maxLength);
    void loadFields();
    // Copies the test information into the record; true when any of it differed.
    bool collectFields();
    void rebuildPages();
    void setBusy(bool busy);

    Context m_context;
    AmbientDisplay m_display;
    QList<AmbientPage> m_pages;
    std::optional<BoothLevels> m_beforeLastSurvey;
    QString m_storedName;
    bool m_changed = false;
    bool m_meterPrepared = false;
    bool m_busy = false;
    bool m_cancelling = false;

    QTabWidget *m_sheet = nullptr;
    QLineEdit *m_testName = nullptr;
    QLineEdit *m_booth = nullptr;
    QLineEdit *m_customer = nullptr;
    QLineEdit *m_location1 = nullptr;
    QLineEdit *m_location2 = nullptr;
    QLabel *m_date = nullptr;
    QLabel *m_instruments = nullptr;
    QCheckBox *m_showFail = nullptr;
    QList<QWidget *> m_controls;
};

} // namespace tonva
