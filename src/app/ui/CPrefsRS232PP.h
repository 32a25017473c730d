#pragma once

#include "app/SlmPortChoice.h"

#include <QWidget>

class QComboBox;

namespace tonva {

// The meter's port and baud rate lists, used by the "RS232 Port" page of the preferences and by
// the "Set SLM Port" dialog. It edits `choice`; its owner applies it on Ok.
class CPrefsRS232PP : public QWidget
{
    Q_OBJECT
public:
    explicit CPrefsRS232PP(SlmPortChoice &choice, QWidget *parent = nullptr);

    // Copies the lists into the choice; a port typed rather than picked is taken by its name.
    void collect();

private:
    SlmPortChoice &m_choice;
    QComboBox *m_ports;
    QComboBox *m_bauds;
};

} // namespace tonva
