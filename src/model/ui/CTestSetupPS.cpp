#include "model/ui/CTestSetupPS.h"

#include "model/ui/CTestAudFreqPP.h"
#include "model/ui/CTestAudInfoPP.h"
#include "model/ui/CTestLocationPP.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace tonva {

namespace {

constexpr int kPageRole = Qt::UserRole;

template<class Page> SetupPage *makePage(SetupContext &context, QWidget *parent)
{
    return new Page(context, parent);
}

} // namespace

CTestSetupPS::CTestSetupPS(SetupContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("CTestSetupPS"));
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("setupTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setMaximumWidth(200);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("pageTitle"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    m_title->setFont(titleFont);
    m_stack = new QStackedWidget(this);
    m_stack->setObjectName(QStringLiteral("setupPages"));

    const PageFactory none;
    const auto group = [this](const QString &label) {
        auto *item = new QTreeWidgetItem(m_tree, QStringList{label});
        item->setExpanded(true);
        return item;
    };
    addItem(nullptr, QStringLiteral("Test Location"), makePage<CTestLocationPP>);
    QTreeWidgetItem *equipment = group(QStringLiteral("Equipment"));
    addItem(equipment, QStringLiteral("Equipment"), none);
    addItem(equipment, QStringLiteral("Calibrator"), none);
    addItem(equipment, QStringLiteral("Mastoid"), none);
    addItem(nullptr, QStringLiteral("Microphones"), none);
    QTreeWidgetItem *audiometer = group(QStringLiteral("Audiometer"));
    addItem(audiometer, QStringLiteral("Audiometers"), makePage<CTestAudInfoPP>);
    addItem(audiometer, QStringLiteral("Low Frequencies"), makePage<CTestAudFreqPP>);
    addItem(audiometer, QStringLiteral("High Frequencies"), makePage<CTestAudHFreqPP>);
    QTreeWidgetItem *earphones = group(QStringLiteral("Earphones"));
    addItem(earphones, QStringLiteral("Supra-aural"), none);
    addItem(earphones, QStringLiteral("Insert"), none);
    addItem(earphones, QStringLiteral("Circumaural"), none);
    addItem(nullptr, QStringLiteral("Bone Vibrator"), none);
    addItem(nullptr, QStringLiteral("Speakers"), none);
    // A group stands for its first page; one with no page at all cannot be chosen.
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_tree->topLevelItem(i);
        if (!pageOf(item))
            item->setDisabled(true);
    }
    m_tree->expandAll();

    auto *right = new QVBoxLayout;
    right->addWidget(m_title);
    right->addWidget(m_stack, 1);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    layout->addSpacing(8);
    layout->addLayout(right, 1);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { itemChosen(item); });
    m_tree->setCurrentItem(m_tree->topLevelItem(0));
}

void CTestSetupPS::addItem(QTreeWidgetItem *parent, const QString &label, const PageFactory &factory)
{
    auto *item = parent ? new QTreeWidgetItem(parent, QStringList{label})
                        : new QTreeWidgetItem(m_tree, QStringList{label});
    if (!factory) {
        item->setDisabled(true);
        item->setToolTip(0, QStringLiteral("Not available yet in this version of Tonva."));
        return;
    }
    SetupPage *page = factory(m_context, m_stack);
    m_stack->addWidget(page);
    m_pages.push_back(page);
    m_titles.insert(page, label);
    item->setData(0, kPageRole, page->objectName());
}

SetupPage *CTestSetupPS::pageOf(QTreeWidgetItem *item) const
{
    if (!item)
        return nullptr;
    if (item->childCount() > 0) {
        for (int i = 0; i < item->childCount(); ++i) {
            if (SetupPage *page = pageOf(item->child(i)))
                return page;
        }
        return nullptr;
    }
    return this->page(item->data(0, kPageRole).toString());
}

SetupPage *CTestSetupPS::page(const QString &pageName) const
{
    for (SetupPage *page : m_pages) {
        if (!pageName.isEmpty() && page->objectName() == pageName)
            return page;
    }
    return nullptr;
}

void CTestSetupPS::itemChosen(QTreeWidgetItem *item)
{
    SetupPage *next = pageOf(item);
    if (!next || next == m_current)
        return;
    if (m_current)
        m_current->collect();
    m_current = next;
    next->load();
    m_stack->setCurrentWidget(next);
    m_title->setText(m_titles.value(next));
}

bool CTestSetupPS::showPage(const QString &pageName)
{
    if (!page(pageName))
        return false;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        if ((*it)->childCount() == 0 && (*it)->data(0, kPageRole).toString() == pageName) {
            m_tree->setCurrentItem(*it);
            return true;
        }
    }
    return false;
}

void CTestSetupPS::collectCurrent()
{
    if (m_current)
        m_current->collect();
}

} // namespace tonva
