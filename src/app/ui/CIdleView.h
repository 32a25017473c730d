#pragma once

#include <QWidget>

class QLabel;

namespace tonva {

// The start view: nothing to edit, only what the program is connected to.
class CIdleView final : public QWidget
{
    Q_OBJECT

public:
    explicit CIdleView(QWidget *parent = nullptr);

    // The database line under the program's name; empty: no database is open.
    void setDatabasePath(const QString &path);

private:
    QLabel *m_database;
};

} // namespace tonva
