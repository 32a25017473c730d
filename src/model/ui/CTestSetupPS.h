#pragma once

#include "model/ui/SetupPage.h"

#include <QHash>
#include <QWidget>
#include <functional>
#include <vector>

class QLabel;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tonva {

// The set-up pages: their tree beside the page chosen in it. A page is filled from the working copy
// when it is shown and written back when the technician leaves it, so pages that show the same part
// of the set-up (the open-air microphone, say) never undo each other's edits.
class CTestSetupPS : public QWidget
{
    Q_OBJECT
public:
    explicit CTestSetupPS(SetupContext &context, QWidget *parent = nullptr);

    // Shows the page of that object name; false when the window has no such page.
    bool showPage(const QString &pageName);
    SetupPage *currentPage() const { return m_current; }
    SetupPage *page(const QString &pageName) const;
    // Writes the page on screen into the working copy; the others were written when they were left.
    void collectCurrent();

private:
    using PageFactory = std::function<SetupPage *(SetupContext &, QWidget *)>;
    void addItem(QTreeWidgetItem *parent, const QString &label, const PageFactory &factory);
    void itemChosen(QTreeWidgetItem *item);
    SetupPage *pageOf(QTreeWidgetItem *item) const;

    SetupContext &m_context;
    QTreeWidget *m_tree;
    QLabel *m_title;
    QStackedWidget *m_stack;
    std::vector<SetupPage *> m_pages;
    QHash<SetupPage *, QString> m_titles;
    SetupPage *m_current = nullptr;
};

} // namespace tonva
