#include "SendRunTestKit.h"

#include "wizard/CoalescingSendView.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

constexpr int kLongInterval = 60000;

TEST(CoalescingSendView, HoldsChangesWithinTheIntervalAndWritesTheLastOnesBeforeASwitch)
{
    RecordingSendView target;
    CoalescingSendView view(target, kLongInterval);

    view.setLabelText(SendLabel::lblStatus, QStringLiteral("eins"));
    view.setLabelText(SendLabel::lblStatus, QStringLiteral("zwei"));
    view.setLabelText(SendLabel::lblOK, QStringLiteral("8"));
    view.setWizardProgressValue(3);
    view.setWizardProgressText(QStringLiteral("Sende e-Mail 3 von 9"));
    for (int percent : {40, 100, 0})
        view.setProgressBarValue(percent);

    EXPECT_EQ(target.labelHistory[SendLabel::lblStatus], QStringList{QStringLiteral("eins")});
    EXPECT_EQ(view.labelText(SendLabel::lblOK), QStringLiteral("8"));
    EXPECT_EQ(view.labelText(SendLabel::lblError), QStringLiteral("0"));
    EXPECT_EQ(target.labels[SendLabel::lblOK], QStringLiteral("0"));

    view.setBusy(false);

    EXPECT_EQ(target.labelHistory[SendLabel::lblStatus], (QStringList{QStringLiteral("eins"), QStringLiteral("zwei")}));
    EXPECT_EQ(target.labels[SendLabel::lblOK], QStringLiteral("8"));
    EXPECT_EQ(target.progressBarValues, QList<int>{0});
    EXPECT_EQ(target.frameLog, (QStringList{QStringLiteral("setWizardProgressValue 3"),
                                            QStringLiteral("text Sende e-Mail 3 von 9"), QStringLiteral("busy 0")}));
}

TEST(CoalescingSendView, PendingChangesReachTheWidgetsByTimerOrAtTheEnd)
{
    RecordingSendView target;
    {
        CoalescingSendView view(target, 20);
        view.setLabelText(SendLabel::lblStatus, QStringLiteral("a"));
        view.setLabelText(SendLabel::lblStatus, QStringLiteral("b"));
        EXPECT_EQ(target.labels[SendLabel::lblStatus], QStringLiteral("a"));
        QTest::qWait(100);
        EXPECT_EQ(target.labels[SendLabel::lblStatus], QStringLiteral("b"));

        view.setLabelText(SendLabel::lblEMail, QStringLiteral("x@example.org"));
        view.setLabelText(SendLabel::lblEMail, QStringLiteral("y@example.org"));
    }
    EXPECT_EQ(target.labels[SendLabel::lblEMail], QStringLiteral("y@example.org"));
}

TEST(CoalescingSendView, TargetThatThrowsDoesNotGetTheSameChangesAgain)
{
    RecordingSendView target;
    CoalescingSendView view(target, kLongInterval);
    view.setLabelText(SendLabel::lblStatus, QStringLiteral("erst"));
    view.setWizardProgressValue(2);
    target.failOn = QStringLiteral("setWizardProgressValue 2");

    EXPECT_THROW(view.flush(), std::runtime_error);
    target.failOn.clear();
    view.flush();

    EXPECT_TRUE(target.frameLog.isEmpty());
}

} // namespace
