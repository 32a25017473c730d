#include "app/CVemoraDoc.h"
#include "app/ui/CTestNotesView.h"
#include "gui/RecordingViewHost.h"
#include "model/FixedText.h"
#include "support/ScriptedInteraction.h"
#include "support/TempDir.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstring>
#include <gtest/gtest.h>

namespace tonva {
namespace {

using test::RecordingViewHost;
using test::ScriptedInteraction;
using test::TempDir;

class TestNotesViewTest : public ::testing::Test
{
protected:
    void click(QWidget &view, const QString &name)
    {
        auto *button = view.findChild<QAbstractButton *>(name);
        ASSERT_NE(button, nullptr) << name.toStdString();
        button->click();
    }
    void choose(QWidget &view, int item, VisualCheckState state)
    {
        click(view, QStringLiteral("visualCheck%1_%2").arg(item).arg(int(state)));
    }

    TempDir dir;
    PreferenceStore store{dir.file(QStringLiteral("prefs.ini"))};
    ScriptedInteraction interaction;
    RecordingViewHost host;
    CVemoraDoc doc{store, interaction, dir.file(QStringLiteral("data/"))};
    InspectionChecklist &checklist = doc.currentTest().checklist;
};

TEST_F(TestNotesViewTest, OkStoresTheStatesAndTheCommentCutToTheRecord)
{
    checklist.visualCheck[29] = int(VisualCheckState::Failed);
    setFixedText(checklist.comments, "Cord frayed\r\nreplaced");
    CTestNotesView view(doc, host);
    EXPECT_TRUE(view.findChild<QRadioButton *>(QStringLiteral("visualCheck29_1"))->isChecked());
    auto *comments = view.findChild<QPlainTextEdit *>(QStringLiteral("comments"));
    ASSERT_NE(comments, nullptr);
    EXPECT_EQ(comments->toPlainText(), QStringLiteral("Cord frayed\nreplaced"));

    choose(view, 0, VisualCheckState::Failed);
    choose(view, 15, VisualCheckState::NotApplicable);
    choose(view, 29, VisualCheckState::Passed);
    comments->setPlainText(QString(600, QLatin1Char('c')));
    EXPECT_EQ(comments->toPlainText().size(), 512);
    click(view, QStringLiteral("okButton"));

    EXPECT_EQ(host.backs, 1);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(checklist.visualCheck[0], 1);
    EXPECT_EQ(checklist.visualCheck[15], 2);
    EXPECT_EQ(checklist.visualCheck[29], 0);
    EXPECT_EQ(std::strlen(checklist.comments), 511u);
    EXPECT_EQ(fixedText(checklist.comments), std::string(511, 'c'));
}

TEST_F(TestNotesViewTest, CancelLeavesTheNotesAndTheModifiedMarkAlone)
{
    checklist.visualCheck[3] = int(VisualCheckState::NotApplicable);
    const InspectionChecklist before = checklist;
    CTestNotesView view(doc, host);
    choose(view, 3, VisualCheckState::Failed);
    choose(view, 7, VisualCheckState::NotApplicable);
    view.findChild<QPlainTextEdit *>(QStringLiteral("comments"))->setPlainText(QStringLiteral("typed"));
    click(view, QStringLiteral("cancelButton"));
    EXPECT_EQ(host.backs, 1);
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(std::memcmp(&before, &checklist, sizeof checklist), 0);
}

TEST(TestNotesComment, LineEndsAreStoredAsCrLfAndNeverSplit)
{
    // 510 characters, then a line end whose CR would be byte 511.
    const QString text = QString(510, QLatin1Char('a')) + QStringLiteral("\nb");
    EXPECT_EQ(storedCommentLength(text), 513);
    EXPECT_EQ(commentBytes(text), QByteArray(510, 'a'));
    EXPECT_EQ(commentBytes(QStringLiteral("one\ntwo")), QByteArray("one\r\ntwo"));
    // The limit is the record's bytes, after characters the code page lacks became '?'.
    EXPECT_EQ(commentBytes(QString(600, QChar(0x263A))), QByteArray(511, '?'));
    EXPECT_EQ(commentBytes(QStringLiteral("caf\u00e9")), QByteArray("caf\xe9"));
}

} // namespace
} // namespace tonva
