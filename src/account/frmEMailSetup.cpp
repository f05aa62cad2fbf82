#include "account/frmEMailSetup.h"

#include "account/AccountConnection.h"
#include "account/AccountLog.h"
#include "account/SettingsTokenFile.h"
#include "account/TestMail.h"
#include "base/platform/Logging.h"
#include "base/platform/PlatformServices.h"
#include "controls/wizardframe/ButtonColors.h"
#include "controls/wizardframe/LabelledField.h"
#include "controls/wizardframe/Panel.h"
#include "controls/wizardframe/WizardPane.h"
#include "net/oauth/OAuthAccess.h"
#include "net/oauth/OAuthSignIn.h"
#include "net/oauth/OAuthTokenStore.h"
#include "net/smtp/SmtpTransport.h"
#include "settings/Blanks.h"
#include "settings/MailSettings.h"
#include "settings/PortNumber.h"
#include "settings/TrustedCertificate.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>
#include <tuple>

namespace OrvVelmora {

namespace {

const QString kCaption = QStringLiteral("Systemmeldung...");
constexpr int kLabelWidth = 120;

// The port as typed, for matching it against a grant; 0 when it is no number.
int typedPort(const QString &text)
{
    const PortNumber port = PortNumber::read(trimBlanks(text));
    return port.reading == PortNumber::Reading::Number ? port.value : 0;
}
constexpr int kNarrowLabelWidth = 70;

// Loading skips what fails and goes on with the next control.
void tolerant(const std::function<void()> &step)
{
    tolerate(lcAccount, "account dialog step", step);
}

ColorScheme &schemeOf(MailSettings *owner)
{
    if (!owner || !owner->color)
        throw std::runtime_error("no colour scheme");
    return *owner->color;
}

MailSettings &internalOf(MailSettings *owner)
{
    if (!owner)
        throw std::runtime_error("no owner");
    return *owner;
}

QPushButton *dialogButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

// The header's icon: a letter, drawn so it does not depend on an icon theme.
QPixmap envelopeIcon(const QColor &color)
{
    QPixmap pixmap(48, 40);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(3, 5, 42, 30), 3, 3);
    painter.drawPolyline(QPolygonF({QPointF(4, 7), QPointF(24, 23), QPointF(44, 7)}));
    return pixmap;
}

void inform(const QString &text)
{
    PlatformServices::instance().messageBox(text, kCaption, MessageIcon::Information, MessageButtons::Ok);
}

void refuse(const QString &text)
{
    PlatformServices::instance().messageBox(text, kCaption, MessageIcon::Stop, MessageButtons::Ok);
}

QString signInStateText(OAuthTokenStore::Place place)
{
    switch (place) {
    case OAuthTokenStore::Place::Keyring: return QStringLiteral("Angemeldet (Schlüssel im Schlüsselbund des Systems)");
    case OAuthTokenStore::Place::SettingsFile: return QStringLiteral("Angemeldet (Schlüssel in der Einstellungsdatei)");
    case OAuthTokenStore::Place::Pending: return QStringLiteral("Angemeldet (wird beim Speichern übernommen)");
    case OAuthTokenStore::Place::Nowhere: break;
    }
    return QStringLiteral("Nicht angemeldet");
}

} // namespace

frmEMailSetup::frmEMailSetup(MailSettings *owner, QWidget *parent)
    : QDialog(parent)
    , m_owner(owner)
    , m_wizPane(new WizardPane(this))
    , m_fieldPanel(new Panel(this))
    , m_cmdTest(dialogButton(QStringLiteral("cmdTest"), QStringLiteral("&Testen"), this))
    , m_cmdOK(dialogButton(QStringLiteral("cmdOK"), QStringLiteral("&Speichern"), this))
    , m_cmdCancel(dialogButton(QStringLiteral("cmdCancel"), QStringLiteral("A&bbrechen"), this))
    , m_signInRow(new QWidget(m_fieldPanel))
    , m_cmdAnmelden(dialogButton(QStringLiteral("cmdAnmelden"), QStringLiteral("&Anmelden…"), m_signInRow))
    , m_lblAnmeldung(new QLabel(m_signInRow))
    , m_chkZertifikat(new QCheckBox(this))
    , m_chkUnverschluesselt(
          new QCheckBox(QStringLiteral("Ohne Verschlüsselung senden (Server im lokalen Netz, ohne Anmeldung)"), this))
    , m_mainSMTP(std::make_unique<SmtpTransport>())
    , m_pendingSignIn(std::make_unique<OAuthTokenStore>(OAuthTokenStore::pending()))
{
    setObjectName(QStringLiteral("frmEMailSetup"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    m_wizPane->setObjectName(QStringLiteral("wizPane"));
    m_wizPane->setTitle(QStringLiteral("e-Mail Einstellungen"));
    m_wizPane->setDescription(
        QStringLiteral("Füllen Sie die Felder aus und hinterlegen Sie die Zugangsdaten Ihres e-Mailkontos. "
                       "Klicken Sie auf 'Testen' um die Verbindung zu überprüfen."));
    m_wizPane->setHeaderVisible(true);
    buildFields();
    buildAccountExtras();
    buildLayout();
    connect(m_cmdOK, &QPushButton::clicked, this, &frmEMailSetup::Save);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmEMailSetup::Cancel);
    connect(m_cmdTest, &QPushButton::clicked, this, &frmEMailSetup::runTestMail);
    colourControls();
    fillFields();
    updateAccountExtras();
    if (!m_signInRow->isHidden() && !m_signInBlocked)
        showSignInState();
}

frmEMailSetup::~frmEMailSetup() = default;

void frmEMailSetup::buildFields()
{
    const auto field = [this](const char *name, const QString &caption) {
        auto *f = new LabelledField(caption, m_fieldPanel);
        f->setObjectName(QLatin1String(name));
        f->lineEdit()->setObjectName(QLatin1String(name) + QStringLiteral("Text"));
        f->setLabelWidth(kLabelWidth);
        return f;
    };
    m_sevName = field("sevName", QStringLiteral("Ihr Name"));
    m_sevEMail = field("sevEMail", QStringLiteral("e-Mail Adresse"));
    m_sevFirma = field("sevFirma", QStringLiteral("Firma / Org."));
    m_sevAntwortAdresse = field("sevAntwortAdresse", QStringLiteral("Rückantwort an"));
    m_sevServer = field("sevServer", QStringLiteral("SMTP-Server"));
    m_sevPort = field("sevPort", QStringLiteral("Server Port"));
    m_sevUserName = field("sevUserName", QStringLiteral("Benutzername"));
    m_sevKennwort = field("sevKennwort", QStringLiteral("Kennwort"));
    // Five digits: a port is 1 to 65535, and a fifth digit cut off silently
    // would leave another valid port.
    m_sevPort->setMaxLength(5);
    m_sevPort->setDigitsOnly(true);
    m_sevPort->setText(QStringLiteral("25"));
    m_sevPort->lineEdit()->setFixedWidth(70);
    m_sevPort->layout()->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding));
    m_sevKennwort->setPasswordChar(QLatin1Char('*'));
    m_sevKennwort->setLabelWidth(kNarrowLabelWidth);
    for (LabelledField *f : fields())
        f->lineEdit()->installEventFilter(this);
}

QList<LabelledField *> frmEMailSetup::fields() const
{
    return {m_sevName,   m_sevEMail, m_sevFirma,    m_sevAntwortAdresse,
            m_sevServer, m_sevPort,  m_sevUserName, m_sevKennwort};
}

QStringList frmEMailSetup::typed() const
{
    QStringList texts;
    for (const LabelledField *f : fields())
        texts << f->Text();
    texts << QString::number(m_chkZertifikat->isChecked()) << QString::number(m_chkUnverschluesselt->isChecked());
    return texts;
}

// Enter in a field goes on to the next one, as on a paper form: saving is
// for the button (or Alt+S), so a half-filled account is never stored, nor
// one that was never tested, by a key meant to end a line.
bool frmEMailSetup::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return QDialog::eventFilter(watched, event);
    static_cast<QWidget *>(watched)->setFocus(Qt::OtherFocusReason);
    focusNextChild();
    return true;
}

void frmEMailSetup::buildAccountExtras()
{
    // It names the provider's server as typed.
    m_lblAnmeldung->setTextFormat(Qt::PlainText);
    m_lblAnmeldung->setObjectName(QStringLiteral("lblAnmeldung"));
    m_chkZertifikat->setObjectName(QStringLiteral("chkZertifikat"));
    m_chkUnverschluesselt->setObjectName(QStringLiteral("chkUnverschluesselt"));
    connect(m_cmdAnmelden, &QPushButton::clicked, this, &frmEMailSetup::signIn);
    for (LabelledField *f : {m_sevServer, m_sevPort, m_sevUserName})
        connect(f->lineEdit(), &QLineEdit::textChanged, this, &frmEMailSetup::updateAccountExtras);
}

void frmEMailSetup::buildLayout()
{
    auto *fields = new QGridLayout(m_fieldPanel);
    fields->setContentsMargins(18, 16, 18, 16);
    fields->setHorizontalSpacing(18);
    fields->setVerticalSpacing(10);
    int row = 0;
    for (LabelledField *f : {m_sevName, m_sevEMail, m_sevFirma, m_sevAntwortAdresse, m_sevServer, m_sevPort})
        fields->addWidget(f, row++, 0, 1, 2);
    fields->addWidget(m_sevUserName, row, 0);
    fields->addWidget(m_sevKennwort, row++, 1);
    // One widget for the row, so that hiding it leaves no gap for accounts with a password.
    auto *signInRow = new QHBoxLayout(m_signInRow);
    signInRow->setContentsMargins(0, 0, 0, 0);
    signInRow->addSpacing(kLabelWidth + 6);
    signInRow->addWidget(m_cmdAnmelden);
    signInRow->addSpacing(10);
    signInRow->addWidget(m_lblAnmeldung, 1);
    fields->addWidget(m_signInRow, row++, 0, 1, 2);
    fields->addWidget(m_chkZertifikat, row++, 0, 1, 2);
    fields->addWidget(m_chkUnverschluesselt, row, 0, 1, 2);
    fields->setColumnStretch(0, 3);
    fields->setColumnStretch(1, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdTest);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);

    auto *body = new QVBoxLayout(m_wizPane->body());
    body->setContentsMargins(18, 16, 18, 16);
    body->setSpacing(16);
    body->addWidget(m_fieldPanel);
    body->addStretch(1);
    body->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_wizPane);
    setMinimumWidth(520);
    resize(620, sizeHint().height());
}

void frmEMailSetup::colourControls()
{
    tolerant([this] {
        const ColorScheme &scheme = schemeOf(m_owner);
        m_wizPane->setBackColor(scheme.SchemeColor4());
        m_wizPane->setBorderColor(scheme.SchemeColor3());
        m_wizPane->setAccentColor(scheme.SchemeColor2());
        m_wizPane->setForeColor(scheme.SchemeColor1());
        m_wizPane->setIcon(envelopeIcon(scheme.SchemeColor1()));
        m_fieldPanel->setBackColor(scheme.SchemeColor2());
        m_fieldPanel->setBorderColor(scheme.SchemeColor3());
    });
    for (QPushButton *button : {m_cmdTest, m_cmdOK, m_cmdCancel, m_cmdAnmelden}) {
        tolerant([this, button] {
            const ColorScheme &scheme = schemeOf(m_owner);
            ButtonColors{scheme.SchemeColor4(), scheme.SchemeColor3(), scheme.SchemeColor1()}.applyTo(button);
        });
    }
    for (LabelledField *f :
         {m_sevName, m_sevEMail, m_sevFirma, m_sevAntwortAdresse, m_sevServer, m_sevPort, m_sevUserName, m_sevKennwort})
        tolerant([this, f] { schemeOf(m_owner).StyleTextField(f->lineEdit(), 3, true); });
}

void frmEMailSetup::fillFields()
{
    const auto fill = [this](LabelledField *f, QString (MailSettings::*getter)() const) {
        tolerant([this, f, getter] { f->setText((internalOf(m_owner).*getter)()); });
    };
    fill(m_sevName, &MailSettings::SenderName);
    fill(m_sevEMail, &MailSettings::SenderAddress);
    fill(m_sevFirma, &MailSettings::SenderCompany);
    fill(m_sevAntwortAdresse, &MailSettings::ReplyToAddress);
    fill(m_sevServer, &MailSettings::SmtpServer);
    tolerant([this] { m_sevPort->setText(QString::number(internalOf(m_owner).SmtpPort())); });
    fill(m_sevUserName, &MailSettings::SmtpUser);
    fill(m_sevKennwort, &MailSettings::SmtpPassword);
    tolerant([this] { m_options = internalOf(m_owner).accountOptions(); });
    m_chkZertifikat->setChecked(true);
    m_chkUnverschluesselt->setChecked(true);
    m_loaded = typed();
}

bool frmEMailSetup::checkRequiredFields()
{
    if (trimBlanks(m_sevEMail->Text()).isEmpty()) {
        inform(QStringLiteral("Sie müssen eine gültige e-Mail Adresse eingeben."));
        m_sevEMail->setFocus();
        return false;
    }
    if (trimBlanks(m_sevServer->Text()).isEmpty()) {
        inform(QStringLiteral("Sie müssen einen Postausgangsserver eingeben."));
        m_sevServer->setFocus();
        return false;
    }
    // Only a port typed here is held to the range; one read from the settings
    // file is kept as it was unless the user changes it.
    const PortNumber port = PortNumber::read(m_sevPort->Text());
    const bool typedHere = m_sevPort->Text() != m_loaded.value(fields().indexOf(m_sevPort));
    if (typedHere && port.reading != PortNumber::Reading::NotANumber && (port.value < 1 || port.value > 65535)) {
        inform(QStringLiteral("Im Feld „Server Port“ ist nur eine Zahl von 1 bis 65535 möglich."));
        m_sevPort->setFocus();
        return false;
    }
    return true;
}

void frmEMailSetup::Save()
{
    if (!checkRequiredFields() || !savePendingSignIn())
        return;
    storeFields();
    tolerant([this] { internalOf(m_owner).SaveSettings(); });
    tolerant([this] { tellWhereThePasswordIs(internalOf(m_owner)); });
    accept();
}

void frmEMailSetup::tellWhereThePasswordIs(const MailSettings &settings)
{
    if (settings.passwordPlace() == MailSettings::PasswordPlace::NotSaved)
        inform(QStringLiteral("Der Schlüsselbund des Systems hat das Kennwort nicht angenommen. Es wurde deshalb "
                              "nicht gespeichert und gilt nur, solange dieses Programm läuft. Speichern Sie die "
                              "Einstellungen erneut, sobald der Schlüsselbund entsperrt ist."));
    else if (settings.passwordNewlyInFile())
        inform(QStringLiteral("Auf diesem Rechner steht kein Schlüsselbund zur Verfügung. Das Kennwort wird deshalb "
                              "in der Einstellungsdatei gespeichert, die nur Sie lesen können."));
}

void frmEMailSetup::storeFields()
{
    const auto store = [this](void (MailSettings::*setter)(const QString &), const QString &value) {
        tolerant([this, setter, value] { (internalOf(m_owner).*setter)(value); });
    };
    store(&MailSettings::setSenderName, trimBlanks(m_sevName->Text()));
    store(&MailSettings::setSenderAddress, trimBlanks(m_sevEMail->Text()));
    store(&MailSettings::setSenderCompany, trimBlanks(m_sevFirma->Text()));
    store(&MailSettings::setReplyToAddress, trimBlanks(m_sevAntwortAdresse->Text()));
    store(&MailSettings::setSmtpServer, trimBlanks(m_sevServer->Text()));
    // A port that is no number keeps the stored one; the rest is still saved.
    tolerant([this] { internalOf(m_owner).setSmtpPort(portFromText(m_sevPort->Text())); });
    store(&MailSettings::setSmtpUser, trimBlanks(m_sevUserName->Text()));
    store(&MailSettings::setSmtpPassword, m_sevKennwort->Text());
    tolerant([this] { internalOf(m_owner).setAccountOptions(accountOptions()); });
}

void frmEMailSetup::updateAccountExtras()
{
    const AccountOptions options = accountOptions();
    const bool browserSignIn = OAuthProvider::appliesTo(oauthAccount());
    m_signInRow->setHidden(!browserSignIn);
    if (browserSignIn)
        updateSignInButton();
    const TrustedCertificate pin = TrustedCertificate::fromSetting(m_options.Zertifikat);
    const bool applies = pin.appliesTo(m_sevServer->Text(), typedPort(m_sevPort->Text()));
    const QByteArray trusted = applies ? pin.sha256() : QByteArray();
    m_chkZertifikat->setHidden(!applies);
    // The start of the fingerprint fits the line; the whole one is in the tool tip.
    m_chkZertifikat->setText(QStringLiteral("Dem eigenen Zertifikat dieses Servers vertrauen (SHA-256 %1…)")
                                 .arg(TrustedCertificate::displayed(trusted.left(4))));
    m_chkZertifikat->setToolTip(TrustedCertificate::displayed(trusted));
    m_chkUnverschluesselt->setHidden(
        !AccountOptions::relayGranted(m_options.Verschluesselung, m_sevServer->Text(), typedPort(m_sevPort->Text())));
    // A user name means a login, and a login never goes out unencrypted.
    m_chkUnverschluesselt->setEnabled(trimBlanks(m_sevUserName->Text()).isEmpty());
}

AccountOptions frmEMailSetup::accountOptions() const
{
    AccountOptions options = m_options;
    if (!m_chkZertifikat->isHidden() && !m_chkZertifikat->isChecked())
        options.Zertifikat.clear();
    if (!m_chkUnverschluesselt->isHidden() && !m_chkUnverschluesselt->isChecked())
        options.Verschluesselung.clear();
    return options;
}

OAuthAccount frmEMailSetup::oauthAccount() const
{
    if (!m_owner) {
        OAuthAccount account;
        account.server = trimBlanks(m_sevServer->Text());
        account.user = trimBlanks(m_sevUserName->Text());
        return account;
    }
    return AccountConnection::oauthAccount(*m_owner, m_sevServer->Text(), m_sevUserName->Text(), accountOptions());
}

QString frmEMailSetup::settingsFile() const
{
    return m_owner ? m_owner->configFileName : QString();
}

AccountConnection frmEMailSetup::accountConnection() const
{
    return AccountConnection(oauthAccount(), portFromText(m_sevPort->Text()), accountOptions(),
                             !m_sevKennwort->Text().isEmpty(), settingsFile(), m_pendingSignIn.get());
}

void frmEMailSetup::trustCertificate(const TrustedCertificate &pin)
{
    m_options.Zertifikat = pin.settingText();
    m_chkZertifikat->setChecked(true);
    updateAccountExtras();
}

void frmEMailSetup::allowUnencrypted()
{
    m_options.Verschluesselung = AccountOptions::relayGrant(m_sevServer->Text(), typedPort(m_sevPort->Text()));
    m_chkUnverschluesselt->setChecked(true);
    updateAccountExtras();
}

void frmEMailSetup::signIn()
{
    if (m_runningSignIn) {
        m_runningSignIn->cancel();
        return;
    }
    if (!checkRequiredFields())
        return;
    // The provider's mailbox name is what XOAUTH2 logs in as; the field
    // takes it only once the sign-in has worked.
    OAuthAccount account = oauthAccount();
    if (account.user.isEmpty())
        account.user = trimBlanks(m_sevEMail->Text());
    QString why;
    const std::optional<OAuthProvider> provider = OAuthProvider::forAccount(account, &why);
    if (!provider)
        return refuse(why);
    OAuthSignIn browserSignIn(*provider);
    const std::optional<OAuthTokens> tokens = waitForBrowser(browserSignIn);
    if (browserSignIn.cancelled())
        return;
    if (!tokens)
        return refuse(QStringLiteral("Die Anmeldung ist fehlgeschlagen.\r\n\r\n") + browserSignIn.errorText());
    OAuthAccess(*provider, *m_pendingSignIn, account.server, account.user).adopt(*tokens);
    m_signedInProvider = provider;
    m_signedInAccount = account;
    if (trimBlanks(m_sevUserName->Text()).isEmpty())
        m_sevUserName->setText(account.user);
    showSignInState();
    inform(QStringLiteral("Sie sind bei %1 angemeldet.").arg(provider->name));
}

std::optional<OAuthTokens> frmEMailSetup::waitForBrowser(OAuthSignIn &signIn)
{
    // Testen and Speichern would act on a sign-in that is not there yet;
    // Abbrechen stays, and ends the wait together with the dialog.
    const QString caption = m_cmdAnmelden->text();
    m_cmdAnmelden->setText(QStringLiteral("&Anmeldung abbrechen"));
    m_lblAnmeldung->setText(QStringLiteral("Anmeldung im Browser läuft…"));
    m_cmdTest->setEnabled(false);
    m_cmdOK->setEnabled(false);
    m_runningSignIn = &signIn;
    std::optional<OAuthTokens> tokens = signIn.run();
    m_runningSignIn = nullptr;
    m_cmdTest->setEnabled(true);
    m_cmdOK->setEnabled(true);
    m_cmdAnmelden->setText(caption);
    showSignInState();
    return tokens;
}

// "Anmelden…" is offered only where a sign-in can work; where the settings
// lack what it needs, the row says what is missing instead.
void frmEMailSetup::updateSignInButton()
{
    if (m_runningSignIn)
        return;
    QString why;
    const bool possible = OAuthProvider::forAccount(oauthAccount(), &why).has_value();
    m_cmdAnmelden->setEnabled(possible);
    if (!possible)
        m_lblAnmeldung->setText(why);
    else if (m_signInBlocked)
        showSignInState();
    m_signInBlocked = !possible;
}

void frmEMailSetup::showSignInState()
{
    const OAuthAccount account = oauthAccount();
    if (m_pendingSignIn->load(account.server, account.user))
        return m_lblAnmeldung->setText(signInStateText(OAuthTokenStore::Place::Pending));
    OAuthTokenStore saved(settingsTokenFile(settingsFile()));
    // Looked up only to learn where a token lies; the token itself is not shown.
    std::ignore = saved.load(account.server, account.user);
    m_lblAnmeldung->setText(signInStateText(saved.lastPlace()));
}

bool frmEMailSetup::savePendingSignIn()
{
    if (!m_signedInProvider)
        return true;
    const std::optional<QString> refreshToken = m_pendingSignIn->load(m_signedInAccount.server, m_signedInAccount.user);
    if (!refreshToken)
        return true;
    // No access token goes along: the lasting store's first use renews it,
    // which also replaces one still held from an earlier sign-in.
    OAuthTokenStore store(settingsTokenFile(settingsFile()));
    if (!OAuthAccess(*m_signedInProvider, store, m_signedInAccount.server, m_signedInAccount.user)
             .adopt(OAuthTokens{QString(), *refreshToken, QDateTime()})) {
        refuse(QStringLiteral("Die Anmeldung war erfolgreich, konnte aber nicht gespeichert werden."));
        return false;
    }
    m_pendingSignIn->remove(m_signedInAccount.server, m_signedInAccount.user);
    m_signedInProvider.reset();
    return true;
}

void frmEMailSetup::Cancel()
{
    QDialog::reject();
}

// Esc and the close box may be pressed by mistake; Abbrechen is a decision.
void frmEMailSetup::reject()
{
    if (!m_testRunning && !m_runningSignIn && typed() != m_loaded &&
        PlatformServices::instance().askActions(
            QStringLiteral("Sie haben Einstellungen geändert, aber nicht gespeichert.\r\n\r\n"
                           "Möchten Sie die Änderungen verwerfen?"),
            kCaption, {QStringLiteral("Verwerfen"), QStringLiteral("Weiter bearbeiten")},
            MessageAnswer::No) != MessageAnswer::Yes)
        return;
    QDialog::reject();
}

void frmEMailSetup::runTestMail()
{
    if (m_testRunning)
        return;
    m_testRunning = true;
    m_mainSMTP->setCAFile(m_owner ? m_owner->CAFile() : QString());
    TestMail(*this, *m_mainSMTP).run();
    m_testRunning = false;
}

void frmEMailSetup::done(int result)
{
    if (m_runningSignIn)
        m_runningSignIn->cancel();
    if (!m_testRunning)
        QDialog::done(result);
}

void frmEMailSetup::showModal()
{
    setModal(true);
    focusFirstEmptyField();
    exec();
}

// Whoever opens the dialog has something to fill in; a complete account
// leaves the focus where the dialog puts it.
void frmEMailSetup::focusFirstEmptyField()
{
    for (LabelledField *f : fields()) {
        if (f->Text().trimmed().isEmpty()) {
            f->lineEdit()->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

} // namespace OrvVelmora
