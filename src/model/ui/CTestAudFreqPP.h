#pragma once

#include "model/ui/SetupPage.h"

#include <vector>

class QCheckBox;

namespace tonva {

// Which frequencies of one part of the frequency list the audiometer offers, one box each.
class CTestAudFrequencyPage : public SetupPage
{
    Q_OBJECT
public:
    void load() override;
    void collect() override;

protected:
    // The boxes for frequency indices first .. first + count - 1.
    CTestAudFrequencyPage(SetupContext &context, int first, int count, QWidget *parent);

private:
    int m_first;
    std::vector<QCheckBox *> m_boxes;
};

// 31.5 to 8000 Hz, with the standard audiometric set one click away.
class CTestAudFreqPP : public CTestAudFrequencyPage
{
    Q_OBJECT
public:
    explicit CTestAudFreqPP(SetupContext &context, QWidget *parent = nullptr);

    void setDefaultFrequencies();
};

// The extended high frequencies, 9000 to 20000 Hz.
class CTestAudHFreqPP : public CTestAudFrequencyPage
{
    Q_OBJECT
public:
    explicit CTestAudHFreqPP(SetupContext &context, QWidget *parent = nullptr);
};

} // namespace tonva
