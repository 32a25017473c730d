#include "app/CVemoraApp.h"
#include "app/Preferences.h"

#include <gtest/gtest.h>

using namespace tonva;

// The command line's port is for the session only, and yields as soon as the technician picks a
// port with Set Port; otherwise the choice would silently wait for a restart without --port.
TEST(SessionPortTest, CommandLinePortHoldsUntilSetPortChoosesAnother)
{
    StartupOptions options;
    options.portName = QStringLiteral("sim");
    PreferenceBlock atStart;
    atStart.slmPortName = QStringLiteral("/dev/ttyUSB0");
    PreferenceBlock now = atStart;

    EXPECT_EQ(CVemoraApp::meterPortName(options, now, &atStart), QStringLiteral("sim"));

    now.slmPortName = QStringLiteral("/dev/ttyUSB1");
    EXPECT_EQ(CVemoraApp::meterPortName(options, now, &atStart), QStringLiteral("/dev/ttyUSB1"));
    EXPECT_EQ(CVemoraApp::meterPortLabel(options, now, &atStart), QStringLiteral("/dev/ttyUSB1"));

    // A numbered port chosen in the dialog counts as a choice too.
    now = atStart;
    now.slmComport = 4;
    EXPECT_EQ(CVemoraApp::meterPortName(options, now, &atStart), QStringLiteral("/dev/ttyUSB0"));
}
