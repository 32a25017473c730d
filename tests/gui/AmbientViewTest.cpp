#include "ambient/ui/CAmbientView.h"
#include "app/CVemoraDoc.h"
#include "gui/RecordingViewHost.h"
#include "model/FixedText.h"
#include "sim/BoothProfile.h"
#include "support/MeterLine.h"

#include <QLineEdit>
#include <QPushButton>
#include <cstring>
#include <gtest/gtest.h>

namespace tonva {
namespace {

const QString kOverwriteValues = QStringLiteral("Saving measurement will overwrite previous Ambient values. Continue?");

// The booth window on the built-in meter in a noisy booth, over a scratch database.
class AmbientViewTest : public ::testing::Test, protected test::MeterLine
{
protected:
    void SetUp() override
    {
        BoothProfile::load(QStringLiteral("noisy-booth"))->presentIn(simulator.scene());
        ASSERT_EQ(port.Open(), 0);
        doc.NewTest();
        ASSERT_NE(doc.database(), nullptr);
        BoothRecord &booth = doc.currentBooth();
        setDisplayText(booth.soundLevelMeter.model, QStringLiteral("Trellan"));
        setDisplayText(booth.preamplifier.model, QStringLiteral("P2"));
        setDisplayText(booth.microphone.identity.model, QStringLiteral("M4"));
        preferences.write(preference::AmbShowFail, 1);
    }
    std::unique_ptr<CAmbientView> view()
    {
        CAmbientView::Context context{doc, preferences, technician, host, {}};
        context.meter = [this] { return std::pair<SlmLink *, SlmFileList *>{&link, &files}; };
        context.today = [] { return QDate(2013, 5, 6); };
        return std::make_unique<CAmbientView>(std::move(context));
    }
    static void setName(CAmbientView &view, const QString &name)
    {
        view.findChild<QLineEdit *>(QStringLiteral("testName"))->setText(name);
    }

    test::RecordingViewHost host;
    CVemoraDoc doc{preferences, technician, dir.file(QStringLiteral("data/"))};
};

TEST_F(AmbientViewTest, MeasureSaveReloadAndTheNameRules)
{
    auto first = view();
    first->findChild<QPushButton *>(QStringLiteral("measureAll"))->click();
    EXPECT_FALSE(first->isBusy());
    EXPECT_EQ(first->pages().size(), 4);
    EXPECT_EQ(first->pages()[0].rows[0][2], QStringLiteral("(30.0)"));

    setName(*first, QStringLiteral("Room #2"));
    technician.expectMessageStartingWith(QStringLiteral("Illegal character in the test name."));
    EXPECT_FALSE(first->save());
    setName(*first, QStringLiteral("Room 2"));
    technician.expectAsk(kOverwriteValues, Answer::Yes);
    first->findChild<QPushButton *>(QStringLiteral("ok"))->click();
    ASSERT_EQ(host.switches.size(), 1u);
    EXPECT_EQ(host.switches[0].view, ViewId::Idle);
    const BoothRecord saved = doc.currentBooth();
    first.reset();

    // Retrieved into the window: the same survey, and saving it again under its own name asks no name question.
    doc.currentBooth() = BoothRecord{};
    ASSERT_TRUE(doc.LoadBooth(*doc.storedBoothId(QStringLiteral("Room 2"))));
    EXPECT_EQ(std::memcmp(&saved, &doc.currentBooth(), sizeof saved), 0);
    auto reloaded = view();
    EXPECT_EQ(reloaded->findChild<QLineEdit *>(QStringLiteral("testName"))->text(), QStringLiteral("Room 2"));
    EXPECT_EQ(reloaded->pages()[1].rows[0], (QStringList{"125", "35.0", "(34.0)", "(30.0)"}));
    reloaded->findChild<QLineEdit *>(QStringLiteral("booth"))->setText(QStringLiteral("B"));
    technician.expectAsk(kOverwriteValues, Answer::Yes);
    EXPECT_TRUE(reloaded->save());
    reloaded.reset();

    // A new survey given a stored name is asked about; Cancel after a survey restores the old levels.
    setDisplayText(doc.currentBooth().testName, QString());
    const BoothRecord before = doc.currentBooth();
    auto other = view();
    setName(*other, QStringLiteral("Room 2"));
    other->findChild<QPushButton *>(QStringLiteral("measureAll"))->click();
    technician.expectAsk(QStringLiteral("The booth test name \"Room 2\"\nis already used for an ambient record in the "
                                        "database.\nDo you wish to overwrite it?"),
                         Answer::No);
    EXPECT_FALSE(other->save());
    other->findChild<QPushButton *>(QStringLiteral("cancel"))->click();
    EXPECT_EQ(std::memcmp(before.bandLevel, doc.currentBooth().bandLevel, sizeof before.bandLevel), 0);
    EXPECT_STREQ(doc.currentBooth().measurementDate, before.measurementDate);
    technician.verifyDone();
}

} // namespace
} // namespace tonva
