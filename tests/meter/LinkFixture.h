#pragma once

#include "FakeMeterPort.h"
#include "ScriptedTrellan.h"
#include "meter/ComPort.h"
#include "meter/SlmFileList.h"
#include "meter/SlmLink.h"
#include "support/ScriptedInteraction.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace tonva::test {

// An open link to a scripted Trellan on virtual time.
class LinkFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        meter.setResponder(std::ref(trellan));
        ASSERT_EQ(port.Open(), 0);
    }

    VirtualClock clock;
    FakeMeter meter{clock};
    ScriptedTrellan trellan{clock};
    ScriptedInteraction interaction;
    ComPort port{meter.factory(), clock};
    SlmLink link{port, interaction};
    SlmFileList files{port, interaction};
};

// Slow meter paths run on virtual time; this guards that they really do.
class RealTimeLimit
{
public:
    RealTimeLimit() { m_timer.start(); }
    ~RealTimeLimit() { EXPECT_LT(m_timer.elapsed(), 1000) << "virtual-time path took real time"; }

private:
    QElapsedTimer m_timer;
};

} // namespace tonva::test
