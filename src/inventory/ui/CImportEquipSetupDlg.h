#pragma once

#include "inventory/InstrumentInventory.h"
#include "inventory/SetupImport.h"

#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace tonva {

class PreferenceStore;

// File ▸ Import Mic/Mastoid Setup...: the set-up file (or a mastoid's certificate workbook) and the
// delimiter of its fields, both remembered from the last import.
class CImportEquipSetupDlg final : public QDialog
{
    Q_OBJECT
public:
    CImportEquipSetupDlg(const PreferenceStore &preferences, InstrumentKind kind, QWidget *parent = nullptr);

    QString path() const;
    bool tabDelimited() const;
    // Keeps path and delimiter for the next import.
    void remember(PreferenceStore &preferences) const;

private:
    void browse();

    InstrumentKind m_kind;
    QLineEdit *m_path;
    QRadioButton *m_comma;
    QRadioButton *m_tab;
};

// Which of its three response arrays a mastoid's file is for, when the file does not say.
class CSelectCoupler final : public QDialog
{
    Q_OBJECT
public:
    explicit CSelectCoupler(QWidget *parent = nullptr);

    MastoidCoupler coupler() const;

private:
    QRadioButton *m_choices[3];
};

} // namespace tonva
