#pragma once

#include <QWidget>
#include <array>

class QCheckBox;

namespace tonva {

// "Select Measurements": which measurement to run on which transducer, as a grid of check boxes. The
// run through the ticked measurements is not part of this version: the boxes may be ticked, but
// only Cancel acts, by asking to go back to the test summary.
class CTestAllView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kRows = 12;
    static constexpr int kColumns = 5;

    explicit CTestAllView(QWidget *parent = nullptr);

    static QString rowText(int row);
    static QString columnText(int column);
    QCheckBox *checkBox(int row, int column) const;

Q_SIGNALS:
    // The technician pressed Cancel; whoever shows the view switches to the test summary.
    void cancelled();

private:
    void tickAll(bool ticked);

    std::array<std::array<QCheckBox *, kColumns>, kRows> m_boxes{};
};

} // namespace tonva
