#include "measure/ui/InputLevelFields.h"

#include "model/ReferenceData.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

namespace tonva {

namespace {

constexpr int kMostRowsPerColumn = 9;

QSpinBox *levelBox(QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    // The record holds any 16-bit level; the field shows whatever is stored rather than a clipped
    // value that apply() would then write back.
    box->setRange(std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max());
    box->setAlignment(Qt::AlignRight);
    return box;
}

} // namespace

InputLevelFields::InputLevelFields(InputLevelPage &page, PreferenceStore *store, QWidget *parent)
    : QWidget(parent), m_page(page), m_store(store)
{
    setWindowTitle(page.title());

    auto *fields = new QGroupBox(QStringLiteral("Input levels (dB HL)"), this);
    auto *grid = new QGridLayout(fields);
    const int count = page.lastIndex() - page.firstIndex() + 1;
    const int columns = (count + kMostRowsPerColumn - 1) / kMostRowsPerColumn;
    const int rows = (count + columns - 1) / columns;
    for (int index = page.firstIndex(); index <= page.lastIndex(); ++index) {
        const int position = index - page.firstIndex();
        const int row = position % rows;
        const int column = position / rows;
        QSpinBox *box = levelBox(fields);
        box->setObjectName(QStringLiteral("level%1").arg(index));
        box->setValue(page.field(index));
        auto *label = new QLabel(frequencyLabel(index).trimmed() + QStringLiteral(" Hz"), fields);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setBuddy(box);
        grid->addWidget(label, row, column * 3);
        grid->addWidget(box, row, column * 3 + 1);
        if (column + 1 < columns)
            grid->setColumnMinimumWidth(column * 3 + 2, 16);
        connect(box, &QSpinBox::valueChanged, this, [this, index](int level) { m_page.setField(index, level); });
        m_fields.emplace(index, box);
    }
    grid->setRowStretch(rows, 1);

    m_commonLevel = levelBox(this);
    m_commonLevel->setObjectName(QStringLiteral("commonLevel"));
    m_commonLevel->setValue(page.field(page.firstIndex()));
    m_setCommon = new QPushButton(QStringLiteral("Set All"), this);
    m_setCommon->setObjectName(QStringLiteral("setCommonButton"));
    connect(m_setCommon, &QPushButton::clicked, this, [this] {
        m_page.setCommonLevel(m_commonLevel->value());
        refresh();
    });
    auto *defaults = new QPushButton(QStringLiteral("Set to defaults"), this);
    defaults->setObjectName(QStringLiteral("defaultsButton"));
    connect(defaults, &QPushButton::clicked, this, [this] {
        m_page.setToDefaults();
        refresh();
    });

    auto *common = new QHBoxLayout;
    auto *commonLabel = new QLabel(QStringLiteral("Common level:"), this);
    commonLabel->setBuddy(m_commonLevel);
    common->addWidget(commonLabel);
    common->addWidget(m_commonLevel);
    common->addWidget(m_setCommon);
    common->addStretch();
    common->addWidget(defaults);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fields);
    layout->addLayout(common);
}

QSpinBox *InputLevelFields::field(int frequencyIndex) const
{
    const auto found = m_fields.find(frequencyIndex);
    return found == m_fields.end() ? nullptr : found->second;
}

void InputLevelFields::refresh()
{
    for (const auto &[index, box] : m_fields) {
        const QSignalBlocker blocker(box);
        box->setValue(m_page.field(index));
    }
}

void InputLevelFields::setFieldsEnabled(bool enabled)
{
    for (const auto &entry : m_fields)
        entry.second->setEnabled(enabled);
    m_commonLevel->setEnabled(enabled);
    m_setCommon->setEnabled(enabled);
}

void InputLevelFields::apply()
{
    // A spin box still being typed in has not sent its value yet.
    for (const auto &[index, box] : m_fields) {
        box->interpretText();
        m_page.setField(index, box->value());
    }
    m_page.Apply(m_store);
}

CLowInputLevelsPP::CLowInputLevelsPP(InputLevelPage &page, QWidget *parent)
    : InputLevelFields(page, nullptr, parent)
{
    setObjectName(QStringLiteral("lowInputLevels"));
}

CHighInputLevelsPP::CHighInputLevelsPP(InputLevelPage &page, QWidget *parent)
    : InputLevelFields(page, nullptr, parent)
{
    setObjectName(QStringLiteral("highInputLevels"));
}

CBoneInputLvlsPP::CBoneInputLvlsPP(InputLevelPage &page, PreferenceStore *store, QWidget *parent)
    : InputLevelFields(page, store, parent)
{
    setObjectName(QStringLiteral("boneInputLevels"));
    m_useDefaults = new QCheckBox(QStringLiteral("Use defaults"), this);
    m_useDefaults->setObjectName(QStringLiteral("useDefaults"));
    m_useDefaults->setChecked(!page.fieldsEnabled());
    setFieldsEnabled(page.fieldsEnabled());
    connect(m_useDefaults, &QCheckBox::toggled, this, [this](bool checked) {
        this->page().setUseDefaults(checked);
        setFieldsEnabled(!checked);
        refresh();
    });
    static_cast<QVBoxLayout *>(layout())->insertWidget(1, m_useDefaults);
}

} // namespace tonva
