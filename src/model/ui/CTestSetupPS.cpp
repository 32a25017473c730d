#include "model/ui/CTestSetupPS.h"

#include "model/ui/CTestAudBonePP.h"
#include "model/ui/CTestAudEarphonePP.h"
#include "model/ui/CTestAudFreqPP.h"
#include "model/ui/CTestAudInfoPP.h"
#include "model/ui/CTestAudSpeakersPP.h"
#include "model/ui/CTestCalibratorPP.h"
#include "model/ui/CTestEquipPP.h"
#include "model/ui/CTestLocationPP.h"
#include "model/ui/CTestMastoidPP.h"
#include "model/ui/CTestMicrophonesPP.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QStyle>
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
    // In line with the pages' own margin.
    m_title->setContentsMargins(style()->pixelMetric(QStyle::PM_LayoutLeftMargin), 0, 0, 0);
    m_stack = new QStackedWidget(this);
    m_stack->setObjectName(QStringLiteral("setupPages"));

    const auto group = [this](const QString &label) {
        auto *item = new QTreeWidgetItem(m_tree, QStringList{label});
        item->setExpanded(true);
        return item;
    };
    addItem(nullptr, QStringLiteral("Test Location"), makePage<CTestLocationPP>);
    QTreeWidgetItem *equipment = group(QStringLiteral("Equipment"));
    addItem(equipment, QStringLiteral("Equipment"), makePage<CTestEquipPP>);
    addItem(equipment, QStringLiteral("Calibrator"), makePage<CTestCalibratorPP>);
    addItem(equipment, QStringLiteral("Mastoid"), makePage<CTestMastoidPP>);
    addItem(nullptr, QStringLiteral("Microphones"), makePage<CTestMicrophonesPP>);
    QTreeWidgetItem *audiometer = group(QStringLiteral("Audiometer"));
    addItem(audiometer, QStringLiteral("Audiometers"), makePage<CTestAudInfoPP>);
    addItem(audiometer, QStringLiteral("Low Frequencies"), makePage<CTestAudFreqPP>);
    addItem(audiometer, QStringLiteral("High Frequencies"), makePage<CTestAudHFreqPP>);
    QTreeWidgetItem *earphones = group(QStringLiteral("Earphones"));
    addItem(earphones, QStringLiteral("Supra-aural"), makePage<CTestAudSupraPP>);
    addItem(earphones, QStringLiteral("Insert"), makePage<CTestAudInsertPP>);
    addItem(earphones, QStringLiteral("Circumaural"), makePage<CTestAudCircumPP>);
    addItem(nullptr, QStringLiteral("Bone Vibrator"), makePage<CTestAudBonePP>);
    addItem(nullptr, QStringLiteral("Speakers"), makePage<CTestAudSpeakersPP>);
    m_tree->expandAll();

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    layout->addSpacing(8);
    auto *right = new QVBoxLayout;
    right->addWidget(m_title);
    right->addWidget(m_stack, 1);
    layout->addLayout(right, 1);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { itemChosen(item); });
    m_tree->setCurrentItem(m_tree->topLevelItem(0));
}

void CTestSetupPS::addItem(QTreeWidgetItem *parent, const QString &label, const PageFactory &factory)
{
    auto *item = parent ? new QTreeWidgetItem(parent, QStringList{label})
                        : new QTreeWidgetItem(m_tree, QStringList{label});
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
    // A group stands for its first page.
    if (item->childCount() > 0)
        return pageOf(item->child(0));
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
    // A page that brings its own heading ("Supra-aural Earphones") is titled with it, in the
    // window's style, and not twice.
    QLabel *ownHeading = next->findChild<QLabel *>(QStringLiteral("titleLabel"), Qt::FindDirectChildrenOnly);
    if (ownHeading)
        ownHeading->hide();
    m_title->setText(ownHeading ? ownHeading->text() : m_titles.value(next));
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
