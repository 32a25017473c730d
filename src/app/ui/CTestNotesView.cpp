#include "app/ui/CTestNotesView.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

namespace tonva {

namespace {

constexpr int kColumns = 3;
constexpr int kRowsPerColumn = kChecklistItems / kColumns;

} // namespace

CTestNotes1PP::CTestNotes1PP(TestNotes &notes, QWidget *parent) : QWidget(parent), m_notes(notes)
{
    auto *columns = new QHBoxLayout(this);
    for (int column = 0; column < kColumns; ++column) {
        auto *grid = new QGridLayout;
        grid->setHorizontalSpacing(6);
        auto *heading = new QLabel(QStringLiteral("P    F    NA"), this);
        grid->addWidget(heading, 0, 0, 1, 3, Qt::AlignLeft);
        for (int row = 0; row < kRowsPerColumn; ++row) {
            const int item = column * kRowsPerColumn + row;
            auto *group = new QButtonGroup(this);
            group->setObjectName(QStringLiteral("visualCheck%1").arg(item));
            for (int state = 0; state < 3; ++state) {
                auto *button = new QRadioButton(this);
                button->setObjectName(QStringLiteral("visualCheck%1_%2").arg(item).arg(state));
                group->addButton(button, state);
                grid->addWidget(button, row + 1, state);
            }
            // A state outside the three (a damaged record) checks no button and is kept unless changed.
            if (QAbstractButton *current = group->button(int(notes.states[std::size_t(item)])))
                current->setChecked(true);
            grid->addWidget(new QLabel(visualCheckItemLabel(item), this), row + 1, 3);
            m_items[std::size_t(item)] = group;
        }
        grid->setColumnStretch(3, 1);
        grid->setRowStretch(kRowsPerColumn + 1, 1);
        columns->addLayout(grid, 1);
    }
}

void CTestNotes1PP::collect()
{
    for (int item = 0; item < kChecklistItems; ++item) {
        const int state = m_items[std::size_t(item)]->checkedId();
        if (state >= 0)
            m_notes.states[std::size_t(item)] = VisualCheckState(state);
    }
}

CTestNotes3PP::CTestNotes3PP(TestNotes &notes, QWidget *parent) : QWidget(parent), m_notes(notes)
{
    m_comments = new QPlainTextEdit(this);
    m_comments->setObjectName(QStringLiteral("comments"));
    m_comments->setPlainText(notes.comments);
    connect(m_comments, &QPlainTextEdit::textChanged, this, &CTestNotes3PP::keepWithinField);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Comments:"), this));
    layout->addWidget(m_comments, 1);
}

void CTestNotes3PP::keepWithinField()
{
    if (m_cutting)
        return;
    const QString text = m_comments->toPlainText();
    if (storedCommentLength(text) <= kCommentFieldLength)
        return;
    // The longest beginning that fits, line ends counting as the two characters they are stored as.
    qsizetype low = 0;
    qsizetype high = text.size();
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (storedCommentLength(text.left(middle)) <= kCommentFieldLength)
            low = middle;
        else
            high = middle - 1;
    }
    m_cutting = true;
    m_comments->setPlainText(text.left(low));
    m_comments->moveCursor(QTextCursor::End);
    m_cutting = false;
}

void CTestNotes3PP::collect()
{
    m_notes.comments = m_comments->toPlainText();
}

CTestNotesView::CTestNotesView(CVemoraDoc &document, ViewHost &host, QWidget *parent)
    : QWidget(parent), m_document(document), m_host(host),
      m_notes(TestNotes::read(document.currentTest().checklist))
{
    m_sheet = new QTabWidget(this);
    m_sheet->setObjectName(QStringLiteral("notesSheet"));
    m_visualCheck = new CTestNotes1PP(m_notes, m_sheet);
    m_comments = new CTestNotes3PP(m_notes, m_sheet);
    m_sheet->addTab(m_visualCheck, QStringLiteral("Visual Check"));
    m_sheet->addTab(m_comments, QStringLiteral("Comments"));

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("okButton"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(ok, &QPushButton::clicked, this, &CTestNotesView::accept);
    // The frame may destroy this view while going back, so nothing follows the call.
    connect(cancel, &QPushButton::clicked, this, [this] { m_host.goBack(); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_sheet, 1);
    layout->addWidget(buttons);
}

void CTestNotesView::accept()
{
    m_visualCheck->collect();
    m_comments->collect();
    // Notes are part of the test: unsaved notes must be offered for saving like any other change.
    if (m_notes.store(m_document.currentTest().checklist))
        m_document.setModified(true);
    m_host.goBack();
}

} // namespace tonva
