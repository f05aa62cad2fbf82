#include "ScriptedPlatformServices.h"
#include "component/CMailInternal.h"
#include "settings/SettingsFileStore.h"
#include "wizard/frmDialogMail.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace OrvVelmora;

namespace {

// Closes the modal wizard as soon as it is shown and remembers what it saw.
struct WizardCloser
{
    QString caption;
    QString serverWhileOpen;
    CMail *mail = nullptr;

    void arm()
    {
        QTimer::singleShot(0, qApp, [this] { closeWhenShown(); });
    }
    void closeWhenShown()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            QTimer::singleShot(10, qApp, [this] { closeWhenShown(); });
            return;
        }
        caption = modal->windowTitle();
        serverWhileOpen = mail->internal().SmtpServer();
        modal->close();
    }
};

TEST(CMail, ShowDialogWithoutConnectionOrFileOpensWizardAndReloadsEachTime)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    Testing::ScriptedPlatformServices platform;
    Testing::ScriptedPlatformServices::Scope scope(platform);

    CMail mail;
    SettingsFileStore().WriteValue(QStringLiteral("Velmora"), QStringLiteral("Server"),
                                   QStringLiteral(" erster.example.org "), QString());
    WizardCloser closer;
    closer.mail = &mail;
    closer.arm();
    ASSERT_EQ(mail.ShowDialog(), CallStatus::Ok);
    EXPECT_EQ(closer.caption, QStringLiteral("Assistent zur Erstellung von Velmoras..."));
    EXPECT_EQ(closer.serverWhileOpen, QStringLiteral("erster.example.org"));
    ASSERT_FALSE(platform.pointerHistory.isEmpty());
    EXPECT_EQ(platform.pointerHistory.first(), HourglassPointer);
    EXPECT_EQ(platform.mousePointer(), DefaultPointer);

    SettingsFileStore().WriteValue(QStringLiteral("Velmora"), QStringLiteral("Server"),
                                   QStringLiteral("zweiter.example.org"), QString());
    closer.arm();
    ASSERT_EQ(mail.ShowDialog(), CallStatus::Ok);
    EXPECT_EQ(closer.serverWhileOpen, QStringLiteral("zweiter.example.org"));
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace
