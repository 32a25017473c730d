#pragma once

#include "app/CVemoraDoc.h"
#include "app/TestNotes.h"
#include "app/ui/ViewHost.h"

#include <QWidget>
#include <array>

class QButtonGroup;
class QPlainTextEdit;
class QTabWidget;

namespace tonva {

// "Visual Check": three columns of ten inspected parts, each passed, failed or not applicable.
class CTestNotes1PP : public QWidget
{
    Q_OBJECT
public:
    explicit CTestNotes1PP(TestNotes &notes, QWidget *parent = nullptr);
    void collect();

private:
    TestNotes &m_notes;
    std::array<QButtonGroup *, kChecklistItems> m_items{};
};

// "Comments": free text, held to what the record can store.
class CTestNotes3PP : public QWidget
{
    Q_OBJECT
public:
    explicit CTestNotes3PP(TestNotes &notes, QWidget *parent = nullptr);
    void collect();

private:
    void keepWithinField();

    TestNotes &m_notes;
    QPlainTextEdit *m_comments;
    bool m_cutting = false;
};

// The notes of the current test. The pages edit a copy; Ok writes it into the test (marking the
// document modified when anything changed) and Cancel drops it, and both go back.
class CTestNotesView : public QWidget
{
    Q_OBJECT
public:
    CTestNotesView(CVemoraDoc &document, ViewHost &host, QWidget *parent = nullptr);

private:
    void accept();

    CVemoraDoc &m_document;
    ViewHost &m_host;
    TestNotes m_notes;
    QTabWidget *m_sheet;
    CTestNotes1PP *m_visualCheck;
    CTestNotes3PP *m_comments;
};

} // namespace tonva
