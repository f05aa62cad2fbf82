#include "base/platform/Logging.h"
#include "base/platform/PlatformLog.h"

#include <QList>
#include <QString>

#include <gtest/gtest.h>

#include <stdexcept>

Q_LOGGING_CATEGORY(lcSteps, "orv.test.steps", QtWarningMsg)

namespace {

struct Logged
{
    QtMsgType type;
    QString category;
    QString text;
};

QList<Logged> *g_logged = nullptr;

void record(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    g_logged->append({type, QString::fromLatin1(context.category), text});
}

// Collects what is logged while it lives.
class LogCapture
{
public:
    LogCapture()
    {
        g_logged = &logged;
        m_previous = qInstallMessageHandler(record);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        g_logged = nullptr;
    }
    QList<Logged> logged;

private:
    QtMessageHandler m_previous;
};

TEST(Tolerate, AFailingStepIsLoggedUnderItsNameAndTheNextStepRuns)
{
    LogCapture capture;
    QStringList ran;
    const bool first =
        OrvVelmora::tolerate(lcSteps, "colouring the frame", [] { throw std::runtime_error("no colour scheme"); });
    const bool second = OrvVelmora::tolerate(lcSteps, "loading customers", [&ran] { ran << QStringLiteral("loaded"); });
    const bool third = OrvVelmora::tolerate(lcPlatform, "odd step", [] { throw 42; });

    EXPECT_FALSE(first);
    EXPECT_TRUE(second);
    EXPECT_FALSE(third);
    EXPECT_EQ(ran, QStringList{QStringLiteral("loaded")});
    ASSERT_EQ(capture.logged.size(), 2);
    EXPECT_EQ(capture.logged[0].type, QtWarningMsg);
    EXPECT_EQ(capture.logged[0].category, QStringLiteral("orv.test.steps"));
    EXPECT_EQ(capture.logged[0].text, QStringLiteral("colouring the frame failed: no colour scheme"));
    EXPECT_EQ(capture.logged[1].category, QStringLiteral("orv.platform"));
    EXPECT_EQ(capture.logged[1].text, QStringLiteral("odd step failed"));
}

// Without QT_LOGGING_RULES a host's terminal sees our warnings, not our chatter.
TEST(Tolerate, CategoriesStayQuietBelowWarningsUnlessAsked)
{
    LogCapture capture;
    qCDebug(lcPlatform) << "debug";
    qCInfo(lcPlatform) << "info";
    qCWarning(lcPlatform) << "warning";
    ASSERT_EQ(capture.logged.size(), 1);
    EXPECT_EQ(capture.logged[0].text, QStringLiteral("warning"));
}

} // namespace
