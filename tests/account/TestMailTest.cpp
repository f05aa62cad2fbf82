#include "AccountTestKit.h"
#include "ReceivedMail.h"
#include "SmtpTestServer.h"

#include "account/TestMail.h"
#include "account/frmEMailSetup.h"
#include "controls/wizardframe/LabelledField.h"
#include "net/smtp/SmtpTransport.h"

#include <QPushButton>
#include <QTest>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

// The desk as the test mail sees it, noting whether the dialog's buttons were
// usable when each message box came up, and pressing Escape at that moment.
class DeskWatchingButtons final : public PlatformServices
{
public:
    DeskWatchingButtons(ScriptedPlatformServices &desk, frmEMailSetup &dialog)
        : m_desk(desk)
        , m_dialog(dialog)
    {
    }

    QList<bool> buttonsEnabledAtMessage;
    QList<bool> dialogOpenAfterEscape;

    using PlatformServices::messageBox;
    MessageAnswer messageBox(const QString &text, const QString &caption, MessageIcon icon, MessageButtons buttons,
                             std::optional<MessageAnswer> defaultAnswer) override
    {
        buttonsEnabledAtMessage << (m_dialog.cmdTest()->isEnabled() || m_dialog.cmdOK()->isEnabled() ||
                                    m_dialog.cmdCancel()->isEnabled());
        m_dialog.reject();
        dialogOpenAfterEscape << m_dialog.isVisible();
        return m_desk.messageBox(text, caption, icon, buttons, defaultAnswer);
    }
    std::optional<QString> showOpen(const FileDialogRequest &r) override { return m_desk.showOpen(r); }
    std::optional<QString> showSave(const FileDialogRequest &r) override { return m_desk.showSave(r); }
    std::optional<QColor> chooseColor(const QString &title) override { return m_desk.chooseColor(title); }
    void setMousePointer(int code) override { m_desk.setMousePointer(code); }
    int mousePointer() const override { return m_desk.mousePointer(); }
    void processEvents() override { m_desk.processEvents(); }
    bool clipboardAvailable() const override { return false; }
    void clipboardClear() override {}
    void clipboardSet(const QMap<QString, QByteArray> &) override {}
    bool clipboardHasFormat(const QString &) const override { return false; }
    QByteArray clipboardData(const QString &) const override { return {}; }
    bool openBrowser(const QUrl &url) override { return m_desk.openBrowser(url); }
    int execDialog(QDialog &dialog) override { return m_desk.execDialog(dialog); }

private:
    ScriptedPlatformServices &m_desk;
    frmEMailSetup &m_dialog;
};

} // namespace

class TestMailRun : public AccountFixture
{
};

TEST_F(TestMailRun, ReportsEachOutcomeInOneBoxAndRestoresButtonsAndPointer)
{
    const QString success = QStringLiteral("Ihre Testnachricht wurde erfolgreich gesendet.\r\n\r\nSie ging an Ihre "
                                           "eigene Adresse „anna@example.org“; sehen Sie dort nach, ob sie "
                                           "angekommen ist.");
    const QString sendFailed = QStringLiteral("Ihre Testnachricht konnte nicht gesendet werden.\r\n\r\n");
    const QString noConnection =
        QStringLiteral("Es konnte keine Verbindung mit dem Server hergestellt werden.\r\n\r\n");
    const QString system = QStringLiteral("Systemmeldung...");
    const struct
    {
        const char *name;
        const char *address;  // typed as the sender's (and so the recipient's) address
        const char *portText; // empty: the server's port; "1" refuses the connection
        QString expectedStart, caption;
        MessageIcon icon;
        bool reasonFollows; // the component's reason after a blank line
        int sessions, delivered;
    } cases[] = {
        {"delivered", "anna@example.org", "", success, system, MessageIcon::Information, false, 1, 1},
        {"message refused", "reject-data@example.org", "", sendFailed, system, MessageIcon::Stop, true, 1, 0},
        {"connection refused", "anna@example.org", "1", noConnection, QStringLiteral("Systemmedlung..."),
         MessageIcon::Stop, true, 0, 0},
        {"port of letters: the recovery box", "anna@example.org", "ab", QStringLiteral("13\tTypen unverträglich"),
         QStringLiteral("OrvVelmora"), MessageIcon::None, false, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SmtpTestServer server({.shortPort = true});
        ASSERT_TRUE(server.start()) << qPrintable(server.errorText());
        frmEMailSetup dialog(&mail);
        dialog.show();
        DeskWatchingButtons desk(platform, dialog);
        PlatformServices::setInstance(&desk);
        platform.messages.clear();
        platform.pointerHistory.clear();
        dialog.sevEMail()->setText(QLatin1String(c.address));
        dialog.sevServer()->setText(server.host());
        dialog.sevPort()->setText(*c.portText ? QLatin1String(c.portText) : QString::number(server.port()));
        dialog.sevUserName()->setText(QString());

        QTest::mouseClick(dialog.cmdTest(), Qt::LeftButton);
        PlatformServices::setInstance(&platform);

        ASSERT_EQ(platform.messages.size(), 1);
        const auto &box = platform.messages[0];
        EXPECT_TRUE(box.text.startsWith(c.expectedStart)) << qPrintable(box.text);
        if (c.reasonFollows)
            EXPECT_GT(box.text.size(), c.expectedStart.size());
        else
            EXPECT_EQ(box.text, c.expectedStart);
        if (c.sessions == 0 && c.reasonFollows) {
            EXPECT_TRUE(box.text.contains(QStringLiteral("„%1“ an Port 1 ").arg(server.host())))
                << "names server and port" << qPrintable(box.text);
        }
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.icon, c.icon);
        EXPECT_EQ(box.buttons, MessageButtons::Ok);
        // Outcomes are told while the buttons are still off; the recovery turns them on first.
        EXPECT_EQ(desk.buttonsEnabledAtMessage, QList<bool>{c.icon == MessageIcon::None});
        EXPECT_EQ(desk.dialogOpenAfterEscape, QList<bool>{true}) << "no closing while the test runs";
        EXPECT_EQ(platform.pointerHistory, (QList<int>{HourglassPointer, DefaultPointer}));
        for (QPushButton *button : {dialog.cmdTest(), dialog.cmdOK(), dialog.cmdCancel()})
            EXPECT_TRUE(button->isEnabled());

        if (c.sessions > 0) {
            ASSERT_TRUE(server.waitForClosedSessions(c.sessions));
            EXPECT_TRUE(server.commands(1).contains(QStringLiteral("QUIT"))) << "the connection is closed";
        }
        EXPECT_EQ(server.sessionCount(), c.sessions);
        EXPECT_EQ(server.messages().size(), c.delivered);
    }
}

TEST_F(TestMailRun, SendsTheFixedMessageToTheSenderFromTheFieldsAsTyped)
{
    SmtpTestServer server({.shortPort = true});
    ASSERT_TRUE(server.start()) << qPrintable(server.errorText());
    frmEMailSetup dialog(&mail);
    dialog.sevName()->setText(QStringLiteral(" Probe Person "));
    dialog.sevEMail()->setText(QStringLiteral("probe@example.org"));
    dialog.sevFirma()->setText(QStringLiteral("Probe AG"));
    dialog.sevAntwortAdresse()->setText(QString());
    dialog.sevServer()->setText(server.host());
    dialog.sevPort()->setText(QString::number(server.port()));
    dialog.sevUserName()->setText(QString());
    const QStringList before{mail.SenderName(), mail.SmtpServer()};

    dialog.runTestMail();

    ASSERT_TRUE(server.waitForClosedSessions(1));
    ASSERT_EQ(server.messages().size(), 1);
    EXPECT_EQ(server.envelope(1, 1),
              (QStringList{QStringLiteral("MAIL probe@example.org"), QStringLiteral("RCPT probe@example.org")}));
    const ReceivedMail received = receivedMails(server).value(0);
    EXPECT_EQ(received.headers.value(QStringLiteral("subject")), QStringLiteral("Automatisch generierte Testmail"));
    EXPECT_TRUE(received.headers.value(QStringLiteral("from")).contains(QStringLiteral("Probe Person")));
    EXPECT_EQ(received.headers.value(QStringLiteral("organization")), QStringLiteral("Probe AG"));
    EXPECT_EQ(received.headers.value(QStringLiteral("x-priority")).left(1), QStringLiteral("3"));
    EXPECT_FALSE(received.headers.contains(QStringLiteral("disposition-notification-to"))) << "no read receipt";
    EXPECT_EQ(received.text.trimmed(), QString::fromUtf8(TestMail::kBody));
    EXPECT_EQ((QStringList{mail.SenderName(), mail.SmtpServer()}), before);
    EXPECT_FALSE(QFile::exists(mail.configFileName)) << "a test mail saves nothing";
}

TEST_F(TestMailRun, ChecksTheFieldsFirstAndSendsNothingWhenOneIsMissing)
{
    frmEMailSetup dialog(&mail);
    dialog.sevEMail()->setText(QStringLiteral("  "));
    dialog.sevServer()->setText(QString());
    dialog.runTestMail();
    ASSERT_EQ(platform.messages.size(), 1);
    EXPECT_EQ(platform.messages[0].text, QStringLiteral("Sie müssen eine gültige e-Mail Adresse eingeben."));
    EXPECT_TRUE(platform.pointerHistory.isEmpty());
    EXPECT_TRUE(dialog.cmdTest()->isEnabled()) << "the test never began";
}
