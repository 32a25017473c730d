#include "measure/ui/CTestAllView.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tonva {

namespace {

constexpr const char *kRowTexts[CTestAllView::kRows] = {
    "Hearing level",      "Frequency accuracy", "Hearing level linearity", "Harmonic distortion",
    "Pulsed tones",       "Cross talk",         "On/off (Rise/fall)",      "Frequency modulation",
    "Narrow band noise",  "Broad band (white) noise", "Speech",            "Speech noise",
};

constexpr const char *kColumnTexts[CTestAllView::kColumns] = {
    "Supra-aural Earphones", "Insert", "Circumaural", "Bone Vibrator", "Speakers",
};

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *pushButton = new QPushButton(text, parent);
    pushButton->setObjectName(QLatin1String(name));
    return pushButton;
}

} // namespace

QString CTestAllView::rowText(int row)
{
    return row >= 0 && row < kRows ? QString::fromLatin1(kRowTexts[row]) : QString();
}

QString CTestAllView::columnText(int column)
{
    return column >= 0 && column < kColumns ? QString::fromLatin1(kColumnTexts[column]) : QString();
}

CTestAllView::CTestAllView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("testAllView"));

    auto *grid = new QGroupBox(QStringLiteral("Select Measurements"), this);
    grid->setObjectName(QStringLiteral("selectMeasurements"));
    auto *cells = new QGridLayout(grid);
    cells->setHorizontalSpacing(18);
    for (int column = 0; column < kColumns; ++column) {
        // One word a line keeps the columns narrow enough for the grid to fit the window.
        auto *header = new QLabel(columnText(column).replace(QLatin1Char(' '), QLatin1Char('\n')), grid);
        header->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        cells->addWidget(header, 0, column + 1);
    }
    for (int row = 0; row < kRows; ++row) {
        cells->addWidget(new QLabel(rowText(row), grid), row + 1, 0);
        for (int column = 0; column < kColumns; ++column) {
            auto *box = new QCheckBox(grid);
            box->setObjectName(QStringLiteral("select_%1_%2").arg(row).arg(column));
            box->setAccessibleName(rowText(row) + QStringLiteral(", ") + columnText(column));
            cells->addWidget(box, row + 1, column + 1, Qt::AlignCenter);
            m_boxes[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = box;
        }
    }

    QPushButton *selectAll = button(QStringLiteral("Select All"), "selectAllButton", this);
    QPushButton *clearAll = button(QStringLiteral("Clear All"), "clearAllButton", this);
    connect(selectAll, &QPushButton::clicked, this, [this] { tickAll(true); });
    connect(clearAll, &QPushButton::clicked, this, [this] { tickAll(false); });
    auto *ticking = new QHBoxLayout;
    ticking->addWidget(selectAll);
    ticking->addWidget(clearAll);
    ticking->addStretch();

    auto *status = new QLabel(QStringLiteral("Select Measurements to be performed"), this);
    status->setObjectName(QStringLiteral("statusText"));
    status->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    QPushButton *cancel = button(QStringLiteral("Cancel"), "cancelButton", this);
    // The frame may destroy this view in answer; nothing of it is touched after the signal.
    connect(cancel, &QPushButton::clicked, this, &CTestAllView::cancelled);
    auto *commands = new QHBoxLayout;
    commands->addWidget(button(QStringLiteral("Measure All"), "measureAllButton", this));
    commands->addWidget(button(QStringLiteral("Measure Selected"), "measureSelectedButton", this));
    commands->addStretch();
    commands->addWidget(button(QStringLiteral("Prev"), "prevButton", this));
    commands->addWidget(button(QStringLiteral("Next"), "nextButton", this));
    commands->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grid);
    layout->addLayout(ticking);
    layout->addStretch();
    layout->addWidget(status);
    layout->addLayout(commands);
}

QCheckBox *CTestAllView::checkBox(int row, int column) const
{
    if (row < 0 || row >= kRows || column < 0 || column >= kColumns)
        return nullptr;
    return m_boxes[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void CTestAllView::tickAll(bool ticked)
{
    for (const auto &row : m_boxes)
        for (QCheckBox *box : row)
            box->setChecked(ticked);
}

} // namespace tonva
