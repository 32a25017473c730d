#include "platform/ui/MessageBoxInteraction.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace tonva {
namespace {

// Runs `act` on the modal box once it is showing, from inside its own event loop.
void whenBoxShows(std::function<void(QMessageBox &)> act)
{
    QTimer::singleShot(0, [act] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        act(*box);
    });
}

TEST(MessageBoxInteractionTest, AQuestionShowsTheExactTextAndItsButtonsAndReturnsTheOneClicked)
{
    QWidget parent;
    parent.show();
    MessageBoxInteraction interaction(&parent);
    const QString text = QStringLiteral("There were changes in the test. \nDo you really want to exit?");
    QString shown;
    QMessageBox::StandardButtons buttons;
    whenBoxShows([&](QMessageBox &box) {
        shown = box.text();
        buttons = box.standardButtons();
        box.button(QMessageBox::No)->click();
    });
    EXPECT_EQ(interaction.ask(text, Buttons::YesNo), Answer::No);
    EXPECT_EQ(shown, text);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);

    whenBoxShows([&](QMessageBox &box) {
        buttons = box.standardButtons();
        box.button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(interaction.ask(text, Buttons::YesNoCancel), Answer::Cancel);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

    whenBoxShows([&](QMessageBox &box) { box.button(QMessageBox::Ok)->click(); });
    Stimulus stimulus;
    EXPECT_EQ(interaction.askToSet(QStringLiteral("Set 1000 Hz"), stimulus, Buttons::OkCancel), Answer::Ok);
}

TEST(MessageBoxInteractionTest, TheCheckBoxUnderAQuestionReportsItsState)
{
    MessageBoxInteraction interaction;
    bool checked = false;
    QString label;
    whenBoxShows([&](QMessageBox &box) {
        label = box.checkBox()->text();
        box.checkBox()->setChecked(true);
        box.button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(interaction.askWithCheckBox(QStringLiteral("Go on?"), Buttons::YesNo,
                                          QStringLiteral("Do not show this dialog again."), checked),
              Answer::Yes);
    EXPECT_TRUE(checked);
    EXPECT_EQ(label, QStringLiteral("Do not show this dialog again."));
}

TEST(MessageBoxInteractionTest, CancelInTheProgressDialogReachesTheNextCheckOnce)
{
    QWidget parent;
    parent.show();
    MessageBoxInteraction interaction(&parent);
    std::unique_ptr<Progress> progress = interaction.openProgress(QStringLiteral("Measurement"), 0, 100, 10);
    auto *dialog = parent.findChild<QProgressDialog *>(QLatin1String(MessageBoxInteraction::kProgressName));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Measurement"));
    progress->setStatus(QStringLiteral("Measuring 1000 Hz"));
    EXPECT_EQ(dialog->labelText(), QStringLiteral("Measuring 1000 Hz"));
    for (int i = 0; i < 11; ++i)
        progress->step();
    EXPECT_EQ(dialog->value(), 0); // wrapped at the end of the range

    EXPECT_FALSE(progress->checkCancel());
    auto *cancel = dialog->findChild<QPushButton *>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_TRUE(dialog->isVisible()); // it stays until the measurement has wound down
    EXPECT_TRUE(progress->checkCancel());
    EXPECT_FALSE(progress->checkCancel());
    progress.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(parent.findChild<QProgressDialog *>(), nullptr);
}

} // namespace
} // namespace tonva
