#include "net/smtp/SmtpTransport.h"

#include "base/platform/Logging.h"
#include "base/platform/PlatformServices.h"
#include "net/smtp/SmtpAddress.h"
#include "net/smtp/SmtpAttachmentList.h"
#include "net/smtp/SmtpClient.h"
#include "net/smtp/SmtpLog.h"
#include "net/smtp/SmtpMessageBuilder.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QSysInfo>
#include <QUrl>

#include <arpa/inet.h>

#include <utility>

namespace OrvVelmora {

namespace {

constexpr int kSmtpPort = 25;
constexpr int kImplicitTlsPort = 465;
constexpr int kMaxPort = 65535;
constexpr int kEventIntervalMs = 50;

bool isHostName(const QString &name)
{
    if (name.isEmpty() || name.size() > 253)
        return false;
    for (QChar c : name) {
        if (!(c.unicode() < 0x80 && (c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-'))))
            return false;
    }
    return true;
}

/// "localhost", 127.0.0.0/8 or ::1 written as such; names are not resolved,
/// so a name that merely points at this machine gets the full TLS rules.
bool isLoopback(const QString &host)
{
    const QByteArray text = host.toLatin1();
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    if (inet_pton(AF_INET6, text.constData(), &v6) == 1)
        return IN6_IS_ADDR_LOOPBACK(&v6);
    return host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0;
}

/// A host name (international names allowed) or an IP address; nothing that
/// could carry a port, a path or credentials into the connection URL.
bool isServerName(const QString &host)
{
    const QByteArray text = host.toLatin1();
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1 || inet_pton(AF_INET6, text.constData(), &v6) == 1)
        return true;
    return isHostName(QString::fromLatin1(QUrl::toAce(host)));
}

QByteArray domainOf(const QByteArray &address)
{
    return address.mid(address.lastIndexOf('@') + 1);
}

} // namespace

class SmtpTransport::Private
{
public:
    QString server;
    qint32 port = 25;
    QString userName;
    QString password;
    bool useAuthentication = false;
    QString fromName;
    QString fromAddress;
    QString organization;
    QString replyTo;
    QString recipient;
    QString nextRecipient;
    QString subject;
    QString body;
    QString formattedBody;
    qint32 priority = 3;
    bool readReceipt = false;
    QString heloName;
    QString bounceAddress;
    bool useTls = true;
    qint32 connectTimeout = 10;
    qint32 retryCount = 0;
    qint32 timeout = 60;
    QString caFile;
    bool loopbackTreatedAsRemote = false;
    QString lastError;
    Failure failure = Failure::None;
    int lastReplyCode = 0;
    QString lastReplyText;
    QString messageId;
    QString oauthToken;
    QByteArray trustedCertificate;
    QSslCertificate peerCertificate;
    bool requireEncryption = true;

    SmtpAttachmentList attachments;
    SmtpMessageBuilder builder;
    SmtpClient session;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    qint32 sentInSession = 0;
    bool busy = false;
    bool connecting = false;
    bool disconnectRequested = false;
    int lastPercent = -1;
    QElapsedTimer sinceEvents;
};

SmtpTransport::SmtpTransport(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->session.setPump([this] { duringTransfer(); });
    d->session.setAlive(d->alive);
}
SmtpTransport::~SmtpTransport() = default;

QString SmtpTransport::Server() const
{
    return d->server;
}
void SmtpTransport::setServer(const QString &server)
{
    d->server = server;
}
qint32 SmtpTransport::Port() const
{
    return d->port;
}
void SmtpTransport::setPort(qint32 port)
{
    d->port = port;
}
QString SmtpTransport::UserName() const
{
    return d->userName;
}
void SmtpTransport::setUserName(const QString &userName)
{
    d->userName = userName;
}
QString SmtpTransport::Password() const
{
    return d->password;
}
void SmtpTransport::setPassword(const QString &password)
{
    d->password = password;
}
bool SmtpTransport::UseAuthentication() const
{
    return d->useAuthentication;
}
void SmtpTransport::setUseAuthentication(bool on)
{
    d->useAuthentication = on;
}
QString SmtpTransport::FromName() const
{
    return d->fromName;
}
void SmtpTransport::setFromName(const QString &name)
{
    d->fromName = name;
}
QString SmtpTransport::FromAddress() const
{
    return d->fromAddress;
}
void SmtpTransport::setFromAddress(const QString &address)
{
    d->fromAddress = address;
}
QString SmtpTransport::Organization() const
{
    return d->organization;
}
void SmtpTransport::setOrganization(const QString &organization)
{
    d->organization = organization;
}
QString SmtpTransport::ReplyTo() const
{
    return d->replyTo;
}
void SmtpTransport::setReplyTo(const QString &address)
{
    d->replyTo = address;
}
QString SmtpTransport::Recipient() const
{
    return d->recipient;
}
void SmtpTransport::setRecipient(const QString &address)
{
    d->recipient = address;
}
QString SmtpTransport::Subject() const
{
    return d->subject;
}
void SmtpTransport::setSubject(const QString &subject)
{
    d->subject = subject;
}
QString SmtpTransport::Body() const
{
    return d->body;
}
void SmtpTransport::setBody(const QString &body)
{
    d->body = body;
}
QString SmtpTransport::FormattedBody() const
{
    return d->formattedBody;
}
void SmtpTransport::setFormattedBody(const QString &html)
{
    d->formattedBody = html;
}
qint32 SmtpTransport::Priority() const
{
    return d->priority;
}
void SmtpTransport::setPriority(qint32 priority)
{
    d->priority = priority;
}
bool SmtpTransport::ReadReceipt() const
{
    return d->readReceipt;
}
void SmtpTransport::setReadReceipt(bool on)
{
    d->readReceipt = on;
}
QString SmtpTransport::HeloName() const
{
    return d->heloName;
}
void SmtpTransport::setHeloName(const QString &name)
{
    d->heloName = name;
}
QString SmtpTransport::BounceAddress() const
{
    return d->bounceAddress;
}
void SmtpTransport::setBounceAddress(const QString &address)
{
    d->bounceAddress = address;
}
bool SmtpTransport::UseTls() const
{
    return d->useTls;
}
void SmtpTransport::setUseTls(bool on)
{
    d->useTls = on;
}
qint32 SmtpTransport::ConnectTimeout() const
{
    return d->connectTimeout;
}
void SmtpTransport::setConnectTimeout(qint32 seconds)
{
    d->connectTimeout = seconds;
}
qint32 SmtpTransport::RetryCount() const
{
    return d->retryCount;
}
void SmtpTransport::setRetryCount(qint32 count)
{
    d->retryCount = count;
}
qint32 SmtpTransport::Timeout() const
{
    return d->timeout;
}
void SmtpTransport::setTimeout(qint32 seconds)
{
    d->timeout = seconds;
}
QString SmtpTransport::CAFile() const
{
    return d->caFile;
}
void SmtpTransport::setCAFile(const QString &path)
{
    d->caFile = path;
}
void SmtpTransport::setLoopbackTreatedAsRemote(bool on)
{
    d->loopbackTreatedAsRemote = on;
}

void SmtpTransport::setWhileWaiting(std::function<void()> work)
{
    if (!work) {
        d->session.setWhileWaiting({});
        return;
    }
    d->session.setWhileWaiting(
        [work = std::move(work)] { tolerate(lcSmtp, "work while the server reads a message", work); });
}

QString SmtpTransport::MessageId() const
{
    return d->messageId;
}

void SmtpTransport::setMessageId(const QString &id)
{
    d->messageId = id;
}
void SmtpTransport::setOAuthAccessToken(const QString &token)
{
    d->oauthToken = token;
}
void SmtpTransport::setTrustedCertificate(const QByteArray &sha256)
{
    d->trustedCertificate = sha256;
}
QSslCertificate SmtpTransport::PeerCertificate() const
{
    return d->peerCertificate;
}
void SmtpTransport::setRequireEncryption(bool on)
{
    d->requireEncryption = on;
}
void SmtpTransport::setNextRecipient(const QString &address)
{
    d->nextRecipient = address;
}
SmtpTransport::Failure SmtpTransport::LastFailure() const
{
    return d->failure;
}
int SmtpTransport::LastReplyCode() const
{
    return d->lastReplyCode;
}
QString SmtpTransport::LastReplyText() const
{
    return d->lastReplyText;
}

// A message built ahead knows its attachments by their encoded data; once
// the list changes, that data may be gone and its memory used again.
void SmtpTransport::ClearAttachments()
{
    d->attachments.clear();
    d->builder.discardPrepared();
}

void SmtpTransport::AddAttachment(const QString &path, bool zip)
{
    d->attachments.add(path, zip);
    d->builder.discardPrepared();
}

QString SmtpTransport::LastError() const
{
    return d->lastError;
}

qint64 SmtpTransport::ServerSizeLimit() const
{
    return d->session.sizeLimit();
}

bool SmtpTransport::IsConnected() const
{
    return d->session.isOpen();
}

void SmtpTransport::Disconnect()
{
    if (d->busy) {
        // Called from an event run inside Connect or Send. A connect is given up
        // at its next poll; a message being sent is finished first, so it is not
        // left half-delivered. The interrupted call closes the session.
        d->disconnectRequested = true;
        if (d->connecting)
            d->session.requestAbort();
        return;
    }
    closeSession();
}

/// QUIT lets the window's events run while it waits, and one of them may
/// delete the transport: false then, and nothing may be touched any more.
bool SmtpTransport::closeSession()
{
    const QPointer<SmtpTransport> self(this);
    d->sentInSession = 0;
    d->busy = true;
    d->session.close();
    if (!self)
        return false;
    d->busy = false;
    return true;
}

void SmtpTransport::duringTransfer()
{
    const QPointer<SmtpTransport> self(this);
    reportProgress();
    if (!self || d->sinceEvents.elapsed() < kEventIntervalMs)
        return;
    d->sinceEvents.start();
    PlatformServices::instance().processEvents();
}

void SmtpTransport::reportProgress()
{
    const qint64 total = d->session.bytesTotal();
    if (total <= 0)
        return;
    const int percent = static_cast<int>(d->session.bytesSent() * 100 / total);
    if (percent > d->lastPercent) {
        d->lastPercent = percent;
        Q_EMIT Progress(percent);
    }
}

bool SmtpTransport::refuseWhileBusy()
{
    if (!d->busy)
        return false;
    failLocally(QStringLiteral("Es wird gerade eine Verbindung aufgebaut oder eine Nachricht gesendet."));
    return true;
}

bool SmtpTransport::Connect()
{
    if (refuseWhileBusy())
        return false;
    d->failure = Failure::None;
    d->lastReplyCode = 0;
    d->lastReplyText.clear();
    if (!closeSession())
        return false;
    const std::optional<SmtpClientSettings> settings = sessionSettings();
    if (!settings)
        return false;
    return openSession(*settings);
}

bool SmtpTransport::openSession(const SmtpClientSettings &settings)
{
    d->busy = true;
    d->connecting = true;
    d->disconnectRequested = false;
    d->sinceEvents.start();
    const SmtpClient::Outcome outcome = d->session.open(settings);
    if (outcome == SmtpClient::Outcome::Gone)
        return false;
    d->busy = false;
    d->connecting = false;
    d->peerCertificate = d->session.peerCertificate();
    if (outcome == SmtpClient::Outcome::Failed)
        takeFailure();
    if (d->disconnectRequested && !closeSession())
        return false;
    if (outcome == SmtpClient::Outcome::Failed)
        return false;
    return !d->disconnectRequested;
}

std::optional<SmtpClientSettings> SmtpTransport::sessionSettings()
{
    SmtpClientSettings settings;
    settings.host = d->server.trimmed();
    if (settings.host.isEmpty()) {
        failLocally(QStringLiteral("Es ist kein Postausgangsserver angegeben."));
        return std::nullopt;
    }
    if (!isServerName(settings.host)) {
        failLocally(QStringLiteral("Der Servername „%1“ ist ungültig.").arg(SmtpAddress::printable(settings.host)));
        return std::nullopt;
    }
    if (d->port > kMaxPort) {
        failLocally(QStringLiteral("Der Port %1 ist ungültig.").arg(d->port));
        return std::nullopt;
    }
    settings.port = d->port > 0 ? d->port : kSmtpPort;
    const bool loopback = !d->loopbackTreatedAsRemote && isLoopback(settings.host);
    if (!d->useTls && !loopback) {
        failLocally(QStringLiteral("Ohne Verschlüsselung darf nur ein Server auf diesem Rechner verwendet werden."));
        return std::nullopt;
    }
    if (!d->useTls)
        settings.tls = SmtpTlsMode::Off;
    else if (settings.port == kImplicitTlsPort)
        settings.tls = SmtpTlsMode::Implicit;
    else
        settings.tls = loopback || !d->requireEncryption ? SmtpTlsMode::WhenOffered : SmtpTlsMode::Required;
    // A relay on this machine may see the password in the clear; it never
    // leaves the machine. Any other server gets it only over TLS.
    settings.plainLoginAllowed = loopback;
    settings.heloName = heloName();
    if (d->useAuthentication && !d->userName.isEmpty()) {
        settings.user = d->userName;
        settings.password = d->password;
        settings.oauthToken = d->oauthToken;
    }
    if (!d->caFile.isEmpty() && !QFileInfo(d->caFile).isReadable()) {
        failLocally(QStringLiteral("Die Zertifikatsdatei „%1“ kann nicht gelesen werden.").arg(d->caFile));
        return std::nullopt;
    }
    settings.policy.host = settings.host;
    settings.policy.caFile = d->caFile;
    settings.policy.trustedSha256 = d->trustedCertificate;
    settings.connectTimeout = d->connectTimeout;
    settings.ioTimeout = qMax(1, d->timeout);
    return settings;
}

QByteArray SmtpTransport::heloName() const
{
    if (isHostName(d->heloName))
        return d->heloName.toLatin1();
    const QString machine = QSysInfo::machineHostName();
    return isHostName(machine) ? machine.toLatin1() : QByteArrayLiteral("localhost");
}

qint32 SmtpTransport::Send()
{
    const SmtpAddress next(std::exchange(d->nextRecipient, QString()).trimmed());
    if (refuseWhileBusy())
        return -1;
    if (!IsConnected()) {
        failLocally(QStringLiteral("Es besteht keine Verbindung zum Server."));
        return -1;
    }
    const std::optional<QList<QByteArray>> message = buildMessage();
    if (!message) {
        // Keeps the text of the local failure; the announced envelope is
        // withdrawn, as this Send() is not the message it was announced for.
        const QString error = d->lastError;
        if (!withdrawLookAhead())
            return -1;
        d->lastError = error;
        return -1;
    }
    const QByteArray envelopeFrom =
        SmtpAddress((d->bounceAddress.isEmpty() ? d->fromAddress : d->bounceAddress).trimmed()).encoded();
    const QByteArray recipient = SmtpAddress(d->recipient.trimmed()).encoded();
    const QPointer<SmtpTransport> self(this);
    d->lastPercent = 0;
    Q_EMIT ProgressReset(0);
    if (!self)
        return -1;
    return transfer(envelopeFrom, recipient, *message, next.isValid() ? next.encoded() : QByteArray());
}

qint32 SmtpTransport::transfer(const QByteArray &from, const QByteArray &recipient, const QList<QByteArray> &message,
                               const QByteArray &next)
{
    d->busy = true;
    d->disconnectRequested = false;
    d->sinceEvents.start();
    for (int attempt = 0;; ++attempt) {
        const std::optional<bool> ready = matchLookAhead(from, recipient, message);
        if (!ready)
            return -1;
        if (!*ready)
            break;
        const SmtpClient::Outcome outcome = d->session.send(from, recipient, message, next);
        if (outcome == SmtpClient::Outcome::Gone)
            return -1;
        if (outcome == SmtpClient::Outcome::Done) {
            d->busy = false;
            return finishSent();
        }
        const std::optional<bool> retry = retryAfter(d->session.replyCode(), attempt);
        if (!retry)
            return -1;
        if (!*retry)
            break;
    }
    d->busy = false;
    takeFailure();
    if (d->disconnectRequested && !closeSession())
        return -1;
    if (d->failure == Failure::Uncertain)
        return SendUncertain;
    return d->lastReplyCode >= 400 ? -d->lastReplyCode : -1;
}

/// A temporary refusal (4xx) is repeated while retries are left, over a fresh
/// session when the server ended the old one.
/// Nothing when the transport was destroyed meanwhile.
std::optional<bool> SmtpTransport::retryAfter(int replyCode, int attempt)
{
    if (replyCode < 400 || replyCode >= 500 || attempt >= d->retryCount || d->disconnectRequested)
        return false;
    if (d->session.isOpen())
        return true;
    return reopenSession();
}

/// A fresh session when the server ended the old one (the only case where a
/// session starts without Connect()). Nothing when the transport was destroyed.
std::optional<bool> SmtpTransport::reopenSession()
{
    const std::optional<SmtpClientSettings> settings = sessionSettings();
    if (!settings)
        return false;
    const SmtpClient::Outcome outcome = d->session.open(*settings);
    if (outcome == SmtpClient::Outcome::Gone)
        return std::nullopt;
    d->sentInSession = 0;
    return outcome == SmtpClient::Outcome::Done;
}

/// An envelope announced for another recipient is withdrawn first; when that
/// meant closing the connection, the message goes over a new session.
/// Nothing when the transport was destroyed meanwhile.
std::optional<bool> SmtpTransport::matchLookAhead(const QByteArray &from, const QByteArray &recipient,
                                                  const QList<QByteArray> &message)
{
    const bool utf8 = SmtpClient::needsUtf8(from, recipient, message);
    if (!d->session.hasLookAhead() || d->session.awaits(from, recipient, utf8))
        return true;
    if (d->session.cancelLookAhead() == SmtpClient::Outcome::Gone)
        return std::nullopt;
    if (d->session.isOpen())
        return true;
    const std::optional<bool> reopened = reopenSession();
    if (reopened && !*reopened)
        takeFailure();
    return reopened;
}

/// False when the transport was destroyed while the server was heard.
bool SmtpTransport::withdrawLookAhead()
{
    if (!d->session.hasLookAhead())
        return true;
    d->busy = true;
    d->sinceEvents.start();
    if (d->session.cancelLookAhead() == SmtpClient::Outcome::Gone)
        return false;
    d->busy = false;
    return true;
}

void SmtpTransport::failLocally(const QString &text)
{
    d->failure = Failure::Local;
    d->lastReplyCode = 0;
    d->lastReplyText.clear();
    d->lastError = text;
}

void SmtpTransport::takeFailure()
{
    d->failure = d->session.failure();
    d->lastReplyCode = d->session.replyCode();
    d->lastReplyText = d->session.replyText();
    d->lastError = d->session.errorText();
}

qint32 SmtpTransport::finishSent()
{
    d->failure = Failure::None;
    d->lastReplyCode = 0;
    d->lastReplyText.clear();
    ++d->sentInSession;
    const qint32 sent = d->sentInSession;
    const bool closeNow = d->disconnectRequested;
    if (d->lastPercent < 100) {
        const QPointer<SmtpTransport> self(this);
        d->lastPercent = 100;
        Q_EMIT Progress(100);
        if (!self)
            return sent;
    }
    if (closeNow)
        closeSession();
    return sent;
}

std::optional<QList<QByteArray>> SmtpTransport::buildMessage()
{
    QString refusal;
    const std::optional<SmtpMessageContent> content =
        messageContent({d->recipient, d->subject, d->body, d->formattedBody, d->messageId}, refusal);
    if (!content) {
        failLocally(refusal);
        return std::nullopt;
    }
    return d->builder.build(*content);
}

void SmtpTransport::prepareMessage(const QString &recipient, const QString &subject, const QString &body,
                                   const QString &formattedBody, const QString &messageId)
{
    QString refusal;
    if (const std::optional<SmtpMessageContent> content =
            messageContent({recipient, subject, body, formattedBody, messageId}, refusal))
        d->builder.prepare(*content);
}

// What a message to this recipient says, with everything else as set; nothing,
// and the German reason, when an address is invalid or a file cannot be read.
std::optional<SmtpMessageContent> SmtpTransport::messageContent(const PersonalParts &personal, QString &refusal)
{
    // Customer lists often carry blanks around an address; they are no part of it.
    const SmtpAddress recipient(personal.recipient.trimmed());
    const SmtpAddress from(d->fromAddress.trimmed());
    const SmtpAddress replyTo(d->replyTo.trimmed());
    const SmtpAddress bounce(d->bounceAddress.trimmed());
    const auto refuse = [&refusal](const QString &text, const QString &address) {
        refusal = text.arg(SmtpAddress::printable(address.left(200)));
        return std::nullopt;
    };
    if (!recipient.isValid())
        return refuse(QStringLiteral("Die Empfängeradresse „%1“ ist ungültig."), personal.recipient);
    if (!from.isValid())
        return refuse(QStringLiteral("Die Absenderadresse „%1“ ist ungültig."), d->fromAddress);
    if (!d->replyTo.isEmpty() && !replyTo.isValid())
        return refuse(QStringLiteral("Die Antwortadresse „%1“ ist ungültig."), d->replyTo);
    if (!d->bounceAddress.isEmpty() && !bounce.isValid())
        return refuse(QStringLiteral("Die Adresse für Unzustellbarkeitsmeldungen „%1“ ist ungültig."),
                      d->bounceAddress);
    if (!d->attachments.load(&refusal))
        return std::nullopt;
    SmtpMessageContent content;
    content.fromName = d->fromName;
    content.fromAddress = from.encoded();
    content.replyTo = d->replyTo.isEmpty() ? QByteArray() : replyTo.encoded();
    content.organization = d->organization;
    content.recipient = recipient.encoded();
    content.subject = personal.subject;
    content.body = personal.body;
    content.html = personal.formattedBody;
    content.priority = d->priority;
    content.readReceipt = d->readReceipt;
    content.idDomain = QString::fromLatin1(domainOf(from.encoded()));
    content.messageId = personal.messageId;
    content.attachments = d->attachments.items();
    return content;
}

} // namespace OrvVelmora
