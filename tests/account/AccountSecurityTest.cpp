// The account dialog with real accounts: browser sign-in and XOAUTH2 against
// our own authorization and SMTP servers, a certificate exception trusted once
// and asked about again when the certificate or its faults change, and the
// unencrypted relay question.
#include "AccountTestKit.h"
#include "OAuthTestServer.h"
#include "SmtpTestServer.h"
#include "account/SettingsTokenFile.h"

#include "account/AccountConnection.h"
#include "account/frmCertificateException.h"
#include "account/frmEMailSetup.h"
#include "controls/wizardframe/LabelledField.h"
#include "net/oauth/OAuthTokenStore.h"
#include "net/smtp/SmtpTransport.h"
#include "settings/SettingsFileStore.h"
#include "settings/TrustedCertificate.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <functional>

using namespace OrvVelmora;
using namespace OrvVelmora::Testing;

namespace {

const QString kSuccess = QStringLiteral("Ihre Testnachricht wurde erfolgreich gesendet.\r\n\r\nSie ging an Ihre eigene "
                                        "Adresse „anna@alt.example“; sehen Sie dort nach, ob sie angekommen ist.");

class AccountSecurity : public AccountFixture
{
protected:
    QString file() const { return mail.configFileName; }
    QString setting(const char *key) const
    {
        return SettingsFileStore().ReadValue(QStringLiteral("Velmora"), QLatin1String(key), file());
    }
    void writeSetting(const char *key, const QString &value)
    {
        SettingsFileStore().WriteValue(QStringLiteral("Velmora"), QLatin1String(key), value, file());
    }

    void typeAccount(frmEMailSetup &dialog, quint16 port, const QString &user)
    {
        dialog.sevServer()->setText(QStringLiteral("127.0.0.1"));
        dialog.sevPort()->setText(QString::number(port));
        dialog.sevUserName()->setText(user);
        dialog.sevKennwort()->setText(QString());
    }

    /// Clicks and answers the last message shown.
    QString click(QPushButton *button)
    {
        const qsizetype before = platform.messages.size();
        QTest::mouseClick(button, Qt::LeftButton);
        return platform.messages.size() > before ? platform.messages.last().text : QString();
    }

    // A relay allowed for one server is not allowed for the next one.
    void expectAskedAgainOnAnotherRelay()
    {
        SmtpTestServer moved({.shortPort = true});
        ASSERT_TRUE(moved.start());
        frmEMailSetup dialog(&mail);
        dialog.mainSMTP().setLoopbackTreatedAsRemote(true);
        typeAccount(dialog, moved.port(), QString());
        EXPECT_TRUE(dialog.chkUnverschluesselt()->isHidden());
        platform.messages.clear();
        platform.messageAnswers.enqueue(MessageAnswer::No);
        EXPECT_NE(click(dialog.cmdTest()), kSuccess);
        ASSERT_EQ(platform.messages.size(), 2);
        EXPECT_EQ(platform.messages.first().buttons, MessageButtons::YesNo) << "asked again";
        EXPECT_EQ(moved.messages().size(), 0);
    }

    // With VELMORA_SHOTS set, the dialogs are saved there as pictures for the documentation.
    static void shoot(QWidget &widget, const char *name)
    {
        const QString folder = qEnvironmentVariable("VELMORA_SHOTS");
        if (!folder.isEmpty() && QDir().mkpath(folder))
            widget.grab().save(folder + QLatin1Char('/') + QLatin1String(name));
    }
};

} // namespace

TEST_F(AccountSecurity, SignsInThroughTheBrowserSendsWithXOAuth2RenewsAndAsksForANewSignInOnceRevoked)
{
    OAuthTestServer server(2);
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    writeSetting("OAuthAuthorizeUrl", server.authorizeUrl());
    writeSetting("OAuthTokenUrl", server.tokenUrl());
    mail.setAccountOptions({QStringLiteral("1"), QLatin1String(OAuthTestServer::kClientId), {}, {}, {}});
    platform.browser = server.browser();
    frmEMailSetup dialog(&mail);
    typeAccount(dialog, server.smtpPort(), QString());
    ASSERT_FALSE(dialog.signInRow()->isHidden());

    EXPECT_EQ(click(dialog.cmdAnmelden()), QStringLiteral("Sie sind bei 127.0.0.1 angemeldet."));
    EXPECT_EQ(dialog.sevUserName()->Text(), QStringLiteral("anna@alt.example")) << "the mailbox logs in";
    EXPECT_EQ(dialog.lblAnmeldung()->text(), QStringLiteral("Angemeldet (wird beim Speichern übernommen)"));
    dialog.show();
    shoot(dialog, "account-dialog-signed-in.png");

    // Testen uses the sign-in before it is saved, renewals included.
    EXPECT_EQ(click(dialog.cmdTest()), kSuccess);
    QThread::msleep(2100);
    EXPECT_EQ(click(dialog.cmdTest()), kSuccess) << "the expired token is renewed silently";
    EXPECT_EQ(server.count(QStringLiteral("token refresh_token")), 1);
    EXPECT_EQ(server.count(QStringLiteral("smtp-auth ok anna@alt.example")), 2);
    EXPECT_EQ(server.count(QStringLiteral("smtp-message")), 2);
    OAuthTokenStore store(settingsTokenFile(file()));
    EXPECT_FALSE(store.load(QStringLiteral("127.0.0.1"), QStringLiteral("anna@alt.example")));

    QTest::mouseClick(dialog.cmdOK(), Qt::LeftButton);
    const std::optional<QString> grant = store.load(QStringLiteral("127.0.0.1"), QStringLiteral("anna@alt.example"));
    ASSERT_TRUE(grant) << "Speichern keeps the sign-in";
    ASSERT_TRUE(server.revoke(*grant));
    frmEMailSetup reopened(&mail);
    EXPECT_TRUE(click(reopened.cmdTest()).contains(QLatin1String("erneut an")));
    EXPECT_EQ(server.count(QStringLiteral("smtp-auth")), 2) << "no connection without a token";
    EXPECT_TRUE(reopened.cmdTest()->isEnabled());
}

TEST_F(AccountSecurity, SignInOfferedOnlyWhereItCanWorkAndAFailedOneChangesNoField)
{
    mail.setAccountOptions({QStringLiteral("1"), {}, {}, {}, {}});
    frmEMailSetup withoutId(&mail);
    typeAccount(withoutId, 587, QString());
    ASSERT_FALSE(withoutId.signInRow()->isHidden());
    EXPECT_FALSE(withoutId.cmdAnmelden()->isEnabled()) << "no client id, no sign-in";
    EXPECT_TRUE(withoutId.lblAnmeldung()->text().contains(QLatin1String("Anwendungs-ID")));

    OAuthTestServer server(3600);
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    writeSetting("OAuthAuthorizeUrl", server.authorizeUrl());
    writeSetting("OAuthTokenUrl", server.tokenUrl());
    mail.setAccountOptions({QStringLiteral("1"), QLatin1String(OAuthTestServer::kClientId), {}, {}, {}});
    frmEMailSetup dialog(&mail);
    typeAccount(dialog, server.smtpPort(), QString());
    ASSERT_TRUE(dialog.cmdAnmelden()->isEnabled());
    platform.browser = nullptr; // no browser starts
    EXPECT_TRUE(click(dialog.cmdAnmelden()).startsWith(QLatin1String("Die Anmeldung ist fehlgeschlagen.")));
    EXPECT_EQ(dialog.sevUserName()->Text(), QString()) << "a failed sign-in fills in nothing";
}

TEST_F(AccountSecurity, SignInCancelledWhileWaitingOrLeftWithAbbrechenKeepsTheStoredOne)
{
    OAuthTestServer server(3600);
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    writeSetting("OAuthAuthorizeUrl", server.authorizeUrl());
    writeSetting("OAuthTokenUrl", server.tokenUrl());
    mail.setAccountOptions({QStringLiteral("1"), QLatin1String(OAuthTestServer::kClientId), {}, {}, {}});
    const QString host = QStringLiteral("127.0.0.1"), user = QStringLiteral("anna@alt.example");
    OAuthTokenStore store(settingsTokenFile(file()));
    ASSERT_TRUE(store.save(host, user, QStringLiteral("earlier")));

    const auto signInThenLeave = [&](const std::function<void(frmEMailSetup &)> &browser,
                                     QPushButton *(frmEMailSetup::*leave)() const) {
        frmEMailSetup dialog(&mail);
        typeAccount(dialog, server.smtpPort(), user);
        platform.browser = [&](const QUrl &url) {
            browser(dialog);
            server.browser()(url);
        };
        const qsizetype shown = platform.messages.size();
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(dialog.cmdAnmelden(), Qt::LeftButton);
        EXPECT_LT(clock.elapsed(), 5000) << "no waiting for the time limit";
        if (leave)
            QTest::mouseClick((dialog.*leave)(), Qt::LeftButton);
        EXPECT_EQ(dialog.cmdAnmelden()->text(), QStringLiteral("&Anmelden…"));
        EXPECT_TRUE(dialog.cmdTest()->isEnabled() && dialog.cmdOK()->isEnabled());
        return platform.messages.mid(shown);
    };
    const auto clickLater = [](QPushButton *button) {
        QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    };
    // The browser tab closed: the button cancels; Abbrechen during the wait too.
    EXPECT_TRUE(signInThenLeave([&](frmEMailSetup &d) { clickLater(d.cmdAnmelden()); }, nullptr).isEmpty());
    EXPECT_TRUE(signInThenLeave([&](frmEMailSetup &d) { clickLater(d.cmdCancel()); }, nullptr).isEmpty());
    EXPECT_EQ(server.count(QStringLiteral("token")), 0) << "the code is never exchanged";
    // Signed in, then the dialog is left without saving.
    EXPECT_EQ(signInThenLeave([](frmEMailSetup &) {}, &frmEMailSetup::cmdCancel).size(), 1);
    EXPECT_EQ(server.count(QStringLiteral("token authorization_code")), 1);
    EXPECT_EQ(store.load(host, user), QStringLiteral("earlier"));
    SmtpTransport transport;
    EXPECT_FALSE(AccountConnection(AccountConnection::oauthAccount(mail, host, user, mail.accountOptions()),
                                   mail.SmtpPort(), mail.accountOptions(), false, file())
                     .prepare(transport))
        << "the unsaved sign-in's access token serves no one else";
}

TEST_F(AccountSecurity, CertificateTrustedOnceForThisServerAndPortAndAskedAgainWhenItChanges)
{
    mail.setSmtpUser(QString());
    QByteArray shownFingerprint;
    QStringList reasons;
    const auto answer = [&](int result) {
        platform.dialogAnswers.enqueue([&, result](QDialog &shown) {
            auto &question = dynamic_cast<frmCertificateException &>(shown);
            shownFingerprint = question.fingerprint();
            reasons << question.lblHinweis()->text();
            shown.show();
            shoot(shown, "certificate-exception.png");
            return result;
        });
    };
    answer(QDialog::Accepted);
    quint16 port = 0;
    {
        SmtpTestServer first({.startTls = true, .shortPort = true});
        ASSERT_TRUE(first.start()) << first.errorText().toStdString();
        port = first.port();
        frmEMailSetup dialog(&mail);
        typeAccount(dialog, port, QString());
        EXPECT_EQ(click(dialog.cmdTest()), kSuccess);
        ASSERT_EQ(platform.dialogNames, QStringList{QStringLiteral("frmCertificateException")});
        QFile pem(first.directory() + QStringLiteral("/server.pem"));
        ASSERT_TRUE(pem.open(QIODevice::ReadOnly));
        EXPECT_EQ(shownFingerprint, QSslCertificate(pem.readAll()).digest(QCryptographicHash::Sha256));
        EXPECT_TRUE(reasons.last().contains(QStringLiteral("Aussteller"))) << reasons.last().toStdString();
        EXPECT_TRUE(dialog.chkZertifikat()->isChecked() && !dialog.chkZertifikat()->isHidden());
        dialog.show();
        shoot(dialog, "account-dialog-certificate.png");
        EXPECT_EQ(click(dialog.cmdTest()), kSuccess) << "trusted without asking again";
        EXPECT_EQ(platform.dialogNames.size(), 1);
        dialog.Save();
    }
    EXPECT_EQ(setting("Zertifikat"),
              QStringLiteral("127.0.0.1:%1 %2 issuer").arg(port).arg(QString::fromLatin1(shownFingerprint.toHex())));

    // Another certificate on the same server and port, then the pinned
    // server's name on another port: each is asked about, and declined here.
    SmtpTestServer changed({.startTls = true, .port = port});
    SmtpTestServer otherPort({.startTls = true, .shortPort = true});
    for (SmtpTestServer *server : {&changed, &otherPort}) {
        ASSERT_TRUE(server->start()) << server->errorText().toStdString();
        answer(QDialog::Rejected);
        frmEMailSetup dialog(&mail);
        typeAccount(dialog, server->port(), QString());
        EXPECT_TRUE(click(dialog.cmdTest()).contains(QLatin1String("Zertifikat haben Sie aber nicht angenommen")));
        EXPECT_EQ(server->commands(1).filter(QStringLiteral("MAIL")).size(), 0);
    }
    EXPECT_EQ(platform.dialogNames.size(), 3);
    EXPECT_TRUE(reasons[1].contains(QStringLiteral("nicht mehr das Zertifikat"))) << reasons[1].toStdString();
    EXPECT_FALSE(reasons[2].contains(QStringLiteral("nicht mehr das Zertifikat"))) << reasons[2].toStdString();
}

// What a man in the middle presents: a self-signed certificate whose subject
// is markup dressed up as our verdict, expired, or made for another name. A
// pin from before (which accepted every fault) and a pin for a self-signed
// certificate alone no longer let it through; the question shows every text
// as it is, with the German reason, and an expired one cannot be trusted.
TEST_F(AccountSecurity, ManInTheMiddleCertificatesAreAskedAboutWithTheirReasons)
{
    const QString markup = QStringLiteral("<h2><font color=green>Vom Admin geprüft</font></h2>");
    const struct
    {
        const char *name;
        int validDays;
        const char *pinned; ///< what follows "<server>[:port] <sha256>"
        const char *reason;
        bool trustable;
    } cases[] = {
        {"expired, pinned the old way", -1, "", "abgelaufen", false},
        {"another host name, pinned as self-signed", 2, "self-signed", "Servernamen", true},
    };
    mail.setSmtpUser(QString());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SmtpTestServer mitm({.startTls = true, .selfSigned = markup, .validDays = c.validDays, .shortPort = true});
        ASSERT_TRUE(mitm.start()) << mitm.errorText().toStdString();
        QFile pem(mitm.directory() + QStringLiteral("/server.pem"));
        ASSERT_TRUE(pem.open(QIODevice::ReadOnly));
        const QString sha =
            QString::fromLatin1(QSslCertificate(pem.readAll()).digest(QCryptographicHash::Sha256).toHex());
        const QString server =
            *c.pinned ? QStringLiteral("127.0.0.1:%1").arg(mitm.port()) : QStringLiteral("127.0.0.1");
        mail.setAccountOptions(
            {{}, {}, {}, (server + QLatin1Char(' ') + sha + QLatin1Char(' ') + QLatin1String(c.pinned)).trimmed(), {}});
        QList<QLabel *> richLabels;
        QString reason, subject;
        bool trustable = !c.trustable;
        platform.dialogAnswers.enqueue([&](QDialog &shown) {
            auto &question = dynamic_cast<frmCertificateException &>(shown);
            for (QLabel *label : shown.findChildren<QLabel *>()) {
                if (label->textFormat() != Qt::PlainText)
                    richLabels << label;
                if (label->text().contains(QStringLiteral("<h2>")))
                    subject = label->text();
            }
            reason = question.lblHinweis()->text();
            trustable = question.cmdVertrauen()->isEnabled();
            return int(QDialog::Rejected);
        });
        frmEMailSetup dialog(&mail);
        typeAccount(dialog, mitm.port(), QString());
        EXPECT_TRUE(click(dialog.cmdTest()).contains(QLatin1String("Zertifikat haben Sie aber nicht angenommen")));
        EXPECT_EQ(platform.dialogNames.size(), 1);
        platform.dialogNames.clear();
        EXPECT_TRUE(richLabels.isEmpty()) << "a label draws markup: " << richLabels.first()->text().toStdString();
        EXPECT_EQ(subject, markup);
        EXPECT_TRUE(reason.contains(QLatin1String(c.reason))) << reason.toStdString();
        EXPECT_EQ(trustable, c.trustable);
        EXPECT_EQ(mitm.messages().size(), 0);
    }
}

TEST_F(AccountSecurity, UnencryptedRelayOnlyWhenAskedAndWithoutUserName)
{
    const struct
    {
        const char *name;
        const char *user;
        MessageAnswer answer;
        bool asked, delivered;
    } cases[] = {
        {"allowed", "", MessageAnswer::Yes, true, true},
        {"declined", "", MessageAnswer::No, true, false},
        {"a login never goes unencrypted", "anna", MessageAnswer::Yes, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SmtpTestServer relay({.shortPort = true});
        ASSERT_TRUE(relay.start());
        mail.setAccountOptions({});
        frmEMailSetup dialog(&mail);
        dialog.mainSMTP().setLoopbackTreatedAsRemote(true);
        typeAccount(dialog, relay.port(), QLatin1String(c.user));
        platform.messages.clear();
        platform.messageAnswers.clear();
        platform.messageAnswers.enqueue(c.answer);
        const QString outcome = click(dialog.cmdTest());
        EXPECT_EQ(platform.messages.size(), c.asked ? 2 : 1);
        if (c.asked) {
            const auto &question = platform.messages.first();
            EXPECT_EQ(question.actions,
                      (QStringList{QStringLiteral("Unverschlüsselt senden"), QStringLiteral("Nicht senden")}));
            EXPECT_EQ(question.defaultAnswer, MessageAnswer::No) << "Enter never sends in the clear";
            EXPECT_TRUE(question.text.startsWith(QStringLiteral("Der Server „127.0.0.1“ ist an Port %1 erreichbar, "
                                                                "bietet aber keine verschlüsselte Verbindung an.")
                                                     .arg(relay.port())));
        }
        EXPECT_EQ(outcome == kSuccess, c.delivered) << outcome.toStdString();
        if (c.asked && !c.delivered) {
            EXPECT_TRUE(outcome.startsWith(QStringLiteral("Die Testnachricht wurde nicht gesendet: Der Server")))
                << "the connection was made; only the user declined";
        }
        EXPECT_EQ(relay.messages().size(), c.delivered ? 1 : 0);
        EXPECT_EQ(!dialog.chkUnverschluesselt()->isHidden(), c.delivered);
        if (c.delivered) {
            dialog.show();
            shoot(dialog, "account-dialog-relay.png");
        }
        dialog.Save();
        EXPECT_EQ(setting("Verschluesselung"),
                  c.delivered ? QStringLiteral("0 127.0.0.1:%1").arg(relay.port()) : QString());
        if (c.delivered)
            expectAskedAgainOnAnotherRelay();
    }
    frmEMailSetup reopened(&mail);
    EXPECT_TRUE(reopened.chkUnverschluesselt()->isHidden()) << "the last save withdrew nothing it had not set";
    EXPECT_TRUE(reopened.signInRow()->isHidden());
    reopened.sevServer()->setText(QStringLiteral(" smtp.office365.com"));
    EXPECT_FALSE(reopened.signInRow()->isHidden()) << "Microsoft 365 signs in through the browser";
}
