#pragma once

#include "app/SaveNowChoice.h"

#include <QDialog>

class QCheckBox;

namespace tonva {

// "Save Data": asked after a test or transducer change while the question is switched on. The
// answer and the check box go to the settings; Accepted means save now.
class CSaveNowDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CSaveNowDlg(PreferenceStore &store, QWidget *parent = nullptr);

    // Runs the dialog; true when the results are to be saved now.
    static bool ask(PreferenceStore &store, QWidget *parent);

private:
    void answer(SaveNowButton button);

    PreferenceStore &m_store;
    QCheckBox *m_alwaysUse;
};

} // namespace tonva
