#pragma once

#include <QDialog>
#include <optional>

class QLineEdit;

namespace tonva {

// The database dialog of File > Change Database: the path of the database file, typed or browsed
// for. It only chooses; the document opens (or creates) the file and decides its name.
class CDAOTableDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CDAOTableDlg(const QString &proposedPath, QWidget *parent = nullptr);

    QString chosenPath() const;

    // Runs the dialog: the chosen path, or nothing on Cancel.
    static std::optional<QString> choose(const QString &proposedPath, QWidget *parent);

    void accept() override;

private:
    void browse();

    QLineEdit *m_path;
};

} // namespace tonva
