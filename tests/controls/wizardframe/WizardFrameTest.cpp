#include "controls/wizardframe/WizardFrame.h"
#include "controls/wizardframe/LabelledField.h"
#include "controls/wizardframe/WizardPane.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace OrvVelmora;

namespace {

class Frame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *title : {"eins", "zwei", "drei"})
            frame.addPane(QString::fromLatin1(title));
        frame.setExtraButtonCaption(QStringLiteral("E-Mail Einstellungen"));
        frame.Start();
        frame.show();
    }

    struct Usable
    {
        bool back, next, finish, cancel, extra;
        bool operator==(const Usable &) const = default;
    };
    Usable usable() const
    {
        return {frame.backButton()->isEnabled(), frame.nextButton()->isEnabled(), frame.finishButton()->isEnabled(),
                frame.cancelButton()->isEnabled(), frame.extraButton()->isEnabled()};
    }

    WizardFrame frame;
};

} // namespace

TEST_F(Frame, ButtonsRaiseEventsWithThePaneButNeverMoveIt)
{
    QSignalSpy next(&frame, &WizardFrame::NextClick);
    QSignalSpy back(&frame, &WizardFrame::BackClick);
    QSignalSpy extra(&frame, &WizardFrame::ExtraClick);
    QSignalSpy cancel(&frame, &WizardFrame::CancelClick);
    QSignalSpy finish(&frame, &WizardFrame::FinishClick);

    QTest::mouseClick(frame.nextButton(), Qt::LeftButton);
    EXPECT_EQ(frame.CurrentPane(), 0);
    frame.NextPane();
    QTest::mouseClick(frame.nextButton(), Qt::LeftButton);
    QTest::mouseClick(frame.backButton(), Qt::LeftButton);
    frame.NextPane();
    QTest::mouseClick(frame.backButton(), Qt::LeftButton);
    QTest::mouseClick(frame.finishButton(), Qt::LeftButton);
    QTest::mouseClick(frame.extraButton(), Qt::LeftButton);
    QTest::mouseClick(frame.cancelButton(), Qt::LeftButton);

    EXPECT_EQ(frame.CurrentPane(), 2);
    ASSERT_EQ(next.size(), 2);
    EXPECT_EQ(next[0][0].value<qint16>(), 0);
    EXPECT_EQ(next[1][0].value<qint16>(), 1);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0][0].value<qint16>(), 1);
    EXPECT_EQ(back[1][0].value<qint16>(), 2);
    EXPECT_EQ(finish.size(), 1);
    EXPECT_EQ(extra.size(), 1);
    EXPECT_EQ(cancel.size(), 1);
}

TEST_F(Frame, OffersTheButtonsThatFitThePaneAndTheNavigationSwitch)
{
    const struct
    {
        const char *name;
        int pane;
        bool navigation;
        Usable expected;
    } cases[] = {
        {"first pane", 0, true, {false, true, false, true, true}},
        {"middle pane", 1, true, {true, true, false, true, true}},
        {"last pane", 2, true, {true, false, true, true, true}},
        {"last pane, navigation off", 2, false, {false, false, false, false, false}},
        {"first pane, navigation off", 0, false, {false, false, false, false, false}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        frame.Start();
        for (int i = 0; i < c.pane; ++i)
            frame.NextPane();
        frame.setNavigationEnabled(c.navigation);
        EXPECT_EQ(usable(), c.expected);
        frame.setNavigationEnabled(true);
    }
    frame.NextPane();
    frame.NextPane();
    frame.NextPane();
    EXPECT_EQ(frame.CurrentPane(), 2) << "no pane beyond the last";
    frame.Start();
    frame.PreviousPane();
    EXPECT_EQ(frame.CurrentPane(), 0) << "none before the first";
}

TEST_F(Frame, ProgressStopsAtItsEndAndAFinishedRunOffersClose)
{
    frame.setProgressMax(12);
    frame.setProgressValue(40);
    EXPECT_EQ(frame.ProgressValue(), 12) << "a value past the end shows the end";
    frame.ShowRunCompleted();
    frame.FocusCloseButton();
    EXPECT_EQ(frame.cancelButton()->text(), QStringLiteral("&Schließen"));
    EXPECT_EQ(frame.focusWidget(), frame.cancelButton());
}

TEST_F(Frame, ForeColorReachesEveryPaneHeader)
{
    frame.setForeColor(QColor(0x12, 0x34, 0x56));
    for (int i = 0; i < frame.paneCount(); ++i)
        EXPECT_EQ(frame.pane(i)->ForeColor(), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(frame.pane(3), nullptr);
}

TEST(LabelledFieldTest, PassesFocusAndKeepsTextOperationsToItsTextBox)
{
    QWidget window;
    LabelledField text(QStringLiteral("&Betreff"), &window);
    auto *combo = new QComboBox;
    LabelledField list(QStringLiteral("Dringlichkeit"), combo, &window);
    window.show();

    text.setFocus();
    EXPECT_EQ(window.focusWidget(), text.lineEdit());
    list.setFocus();
    EXPECT_EQ(window.focusWidget(), combo);

    // MaxLength limits typing only; a text the program sets is kept whole.
    text.setMaxLength(4);
    text.setText(QStringLiteral("10025"));
    EXPECT_EQ(text.Text(), QStringLiteral("10025"));
    text.lineEdit()->end(false);
    QTest::keyClicks(text.lineEdit(), QStringLiteral("9"));
    EXPECT_EQ(text.Text(), QStringLiteral("10025")) << "a longer stored text is not lengthened";
    QTest::keyClick(text.lineEdit(), Qt::Key_Backspace);
    QTest::keyClicks(text.lineEdit(), QStringLiteral("77"));
    EXPECT_EQ(text.Text(), QStringLiteral("1002")) << "once within the limit, the limit holds";
    text.setText(QString());
    QTest::keyClicks(text.lineEdit(), QStringLiteral("123456"));
    EXPECT_EQ(text.Text(), QStringLiteral("1234"));
    list.setText(QStringLiteral("x"));
    EXPECT_EQ(list.Text(), QString());
    EXPECT_EQ(list.lineEdit(), nullptr);
}
