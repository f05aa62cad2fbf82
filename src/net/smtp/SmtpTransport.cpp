#include "net/smtp/SmtpTransport.h"

#include "base/platform/Logging.h"
#include "base/platform/PlatformServices.h"
#include "net/smtp/SmtpAccount.h"
#include "net/smtp/SmtpAddress.h"
#include "net/smtp/SmtpAttachmentList.h"
#include "net/smtp/SmtpLog.h"
#include "net/smtp/SmtpMessage.h"
#include "net/smtp/SmtpMessageBuilder.h"
#include "net/smtp/SmtpSession.h"
#include "net/smtp/SmtpTexts.h"
#include "net/smtp/SmtpTransaction.h"

#include <QElapsedTimer>
#include <QPointer>

#include <utility>

namespace OrvVelmora {

namespace {

constexpr int kEventIntervalMs = 50;

} // namespace

class SmtpTransport::Private
{
public:
    /// The account as the session takes it: without the flag, no credentials.
    SmtpAccount sessionAccount() const
    {
        SmtpAccount account = this->account;
        if (!useAuthentication || account.user.isEmpty())
            account.user = account.password = account.accessToken = QString();
        return account;
    }

    SmtpAccount account;
    bool useAuthentication = false;
    SmtpSessionOptions options;
    qint32 retryCount = 0;
    SmtpMessage message;
    QString nextRecipient;

    QString lastError;
    Failure failure = Failure::None;
    int lastReplyCode = 0;
    QString lastReplyText;
    QSslCertificate peerCertificate;
    QList<QSslError> peerErrors;

    SmtpAttachmentList attachments;
    /// The personal attachment of the next Send(), and the last files read
    /// for it (the current and the next recipient's).
    QString personalPath;
    bool personalZip = false;
    QList<SmtpAttachmentList> personalCopies;
    SmtpMessageBuilder builder;
    SmtpSession session;
    SmtpTransaction transaction{session};
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    qint32 sentInSession = 0;
    bool busy = false;
    bool connecting = false;
    bool disconnectRequested = false;
    int lastPercent = -1;
    QElapsedTimer sinceEvents;

    /// What the builder takes for this message, its personal file included.
    std::optional<SmtpMessageContent> content(const SmtpMessage &of, const QString &personal, QString &refusal)
    {
        std::optional<SmtpMessageContent> built = of.content(attachments, refusal);
        if (!built || personal.isEmpty())
            return built;
        SmtpAttachmentList &own = personalCopy(personal);
        if (own.load(&refusal) != SmtpAttachmentList::Load::Done)
            return std::nullopt;
        built->attachments += own.items();
        return built;
    }

    SmtpAttachmentList &personalCopy(const QString &path)
    {
        for (SmtpAttachmentList &copy : personalCopies)
            if (copy.items().constFirst().path == path && copy.items().constFirst().zip == personalZip)
                return copy;
        if (personalCopies.size() >= 2)
            personalCopies.removeFirst();
        personalCopies.append(SmtpAttachmentList());
        personalCopies.last().add(path, personalZip);
        return personalCopies.last();
    }
};

SmtpTransport::SmtpTransport(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->session.setPump([this] { duringTransfer(); });
    d->session.setAlive(d->alive);
}
SmtpTransport::~SmtpTransport() = default;

void SmtpTransport::setServer(const QString &server)
{
    d->account.server = server;
}
void SmtpTransport::setPort(qint32 port)
{
    d->account.port = port;
}
void SmtpTransport::setUserName(const QString &userName)
{
    d->account.user = userName;
}
void SmtpTransport::setPassword(const QString &password)
{
    d->account.password = password;
}
void SmtpTransport::setUseAuthentication(bool on)
{
    d->useAuthentication = on;
}
void SmtpTransport::setFromName(const QString &name)
{
    d->message.fromName = name;
}
void SmtpTransport::setFromAddress(const QString &address)
{
    d->message.fromAddress = address;
}
void SmtpTransport::setOrganization(const QString &organization)
{
    d->message.organization = organization;
}
void SmtpTransport::setReplyTo(const QString &address)
{
    d->message.replyTo = address;
}
void SmtpTransport::setRecipient(const QString &address)
{
    d->message.recipient = address;
}
void SmtpTransport::setSubject(const QString &subject)
{
    d->message.subject = subject;
}
void SmtpTransport::setBody(const QString &body)
{
    d->message.body = body;
}
void SmtpTransport::setFormattedBody(const QString &html)
{
    d->message.html = html;
}
void SmtpTransport::setPriority(qint32 priority)
{
    d->message.priority = priority;
}
void SmtpTransport::setReadReceipt(bool on)
{
    d->message.readReceipt = on;
}
void SmtpTransport::setHeloName(const QString &name)
{
    d->options.heloName = name;
}
void SmtpTransport::setTlsMode(SmtpTlsMode mode)
{
    d->account.tls = mode;
}
void SmtpTransport::setConnectTimeout(qint32 seconds)
{
    d->options.connectTimeout = seconds;
}
void SmtpTransport::setRetryCount(qint32 count)
{
    d->retryCount = count;
}
void SmtpTransport::setTimeout(qint32 seconds)
{
    d->options.timeout = seconds;
}
void SmtpTransport::setCAFile(const QString &path)
{
    d->account.caFile = path;
}
void SmtpTransport::setTrustedCertificate(const QByteArray &sha256, const QList<QSslError::SslError> &acceptedErrors)
{
    d->account.trustedCertificate = sha256;
    d->account.trustedErrors = acceptedErrors;
}
void SmtpTransport::setOAuthAccessToken(const QString &token)
{
    d->account.accessToken = token;
}
QSslCertificate SmtpTransport::PeerCertificate() const
{
    return d->peerCertificate;
}
QList<QSslError> SmtpTransport::PeerCertificateErrors() const
{
    return d->peerErrors;
}
void SmtpTransport::setLoopbackTreatedAsRemote(bool on)
{
    d->options.thisMachineExempt = !on;
}
void SmtpTransport::setMessageId(const QString &id)
{
    d->message.messageId = id;
}
void SmtpTransport::setNextRecipient(const QString &address)
{
    d->nextRecipient = address;
}

void SmtpTransport::setAnnounceAhead(bool on)
{
    d->transaction.setAnnounceAhead(on);
}
bool SmtpTransport::announcedEndLost() const
{
    return d->transaction.announcedEndLost();
}
bool SmtpTransport::hasAnnounced() const
{
    return d->transaction.hasLookAhead();
}

void SmtpTransport::setWhileWaiting(std::function<void()> work)
{
    if (!work) {
        d->transaction.setWhileWaiting({});
        return;
    }
    d->transaction.setWhileWaiting(
        [work = std::move(work)] { tolerate(lcSmtp, "work while the server reads a message", work); });
}

void SmtpTransport::prepareMessage(const QString &recipient, const QString &subject, const QString &body,
                                   const QString &formattedBody, const QString &messageId,
                                   const QString &personalAttachment)
{
    SmtpMessage personal = d->message;
    personal.recipient = recipient;
    personal.subject = subject;
    personal.body = body;
    personal.html = formattedBody;
    personal.messageId = messageId;
    QString refusal;
    if (const std::optional<SmtpMessageContent> content = d->content(personal, personalAttachment, refusal))
        d->builder.prepare(*content);
}

void SmtpTransport::setPersonalAttachment(const QString &path, bool zip)
{
    if (zip != d->personalZip)
        d->personalCopies.clear();
    d->personalPath = path;
    d->personalZip = zip;
}

// A message built ahead knows its attachments by their encoded data; once
// the list changes, that data may be gone and its memory used again.
void SmtpTransport::ClearAttachments()
{
    d->attachments.clear();
    // A personal file read for an earlier run may have been changed since.
    d->personalCopies.clear();
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

qint64 SmtpTransport::ServerSizeLimit(const QString &server) const
{
    if (d->session.host().compare(server.trimmed(), Qt::CaseInsensitive) != 0)
        return 0;
    return d->session.capabilities().sizeLimit;
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
    const SmtpConnection &connection = d->session.connection();
    const qint64 total = connection.bodyBytesTotal();
    if (total <= 0)
        return;
    const int percent = static_cast<int>(connection.bodyBytesSent() * 100 / total);
    if (percent > d->lastPercent) {
        d->lastPercent = percent;
        Q_EMIT Progress(percent);
    }
}

bool SmtpTransport::refuseWhileBusy()
{
    if (!d->busy)
        return false;
    failLocally(SmtpTexts::busy());
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
    return openSession();
}

bool SmtpTransport::openSession()
{
    d->busy = true;
    d->connecting = true;
    d->disconnectRequested = false;
    d->sinceEvents.start();
    const SmtpSession::Outcome outcome = d->session.open(d->sessionAccount(), d->options);
    if (outcome == SmtpSession::Outcome::Gone)
        return false;
    d->busy = false;
    d->connecting = false;
    d->peerCertificate = d->session.peerCertificate();
    d->peerErrors = d->session.peerErrors();
    if (outcome == SmtpSession::Outcome::Failed)
        takeFailure();
    if (d->disconnectRequested && !closeSession())
        return false;
    if (outcome == SmtpSession::Outcome::Failed)
        return false;
    return !d->disconnectRequested;
}

qint32 SmtpTransport::Send()
{
    const SmtpAddress next(std::exchange(d->nextRecipient, QString()).trimmed());
    if (refuseWhileBusy())
        return -1;
    if (!IsConnected()) {
        failLocally(SmtpTexts::notConnected());
        return -1;
    }
    QString refusal;
    const std::optional<bool> loaded = loadAttachments(refusal);
    if (!loaded)
        return -1;
    const std::optional<SmtpMessageContent> content =
        *loaded ? d->content(d->message, d->personalPath, refusal) : std::nullopt;
    if (!content) {
        // The announced envelope is withdrawn, as this Send() is not the
        // message it was announced for.
        if (withdrawLookAhead())
            failLocally(refusal);
        return -1;
    }
    const QList<QByteArray> message = d->builder.build(*content);
    const SmtpEnvelope envelope = SmtpTransaction::envelopeOf(content->fromAddress, content->recipient, message);
    const QPointer<SmtpTransport> self(this);
    d->lastPercent = 0;
    Q_EMIT ProgressReset(0);
    if (!self)
        return -1;
    return transfer(envelope, message, next.isValid() ? next.encoded() : QByteArray());
}

/// Reads, packs and encodes the attachments not read yet, letting the
/// window's events run between the pieces. Nothing when the transport was
/// destroyed meanwhile; false with the reason when a file will not do.
std::optional<bool> SmtpTransport::loadAttachments(QString &refusal)
{
    d->busy = true;
    d->disconnectRequested = false;
    d->sinceEvents.start();
    const std::weak_ptr<bool> alive = d->alive;
    const SmtpAttachmentList::Load load = d->attachments.load(&refusal, [this, alive] {
        duringTransfer();
        return !alive.expired();
    });
    if (alive.expired())
        return std::nullopt;
    d->busy = false;
    return load == SmtpAttachmentList::Load::Done;
}

qint32 SmtpTransport::transfer(const SmtpEnvelope &envelope, const QList<QByteArray> &message, const QByteArray &next)
{
    d->busy = true;
    d->sinceEvents.start();
    for (int attempt = 0;; ++attempt) {
        const std::optional<bool> ready = matchLookAhead(envelope);
        if (!ready)
            return -1;
        if (!*ready)
            break;
        const SmtpSession::Outcome outcome = d->transaction.send(envelope, message, next);
        if (outcome == SmtpSession::Outcome::Gone)
            return -1;
        if (outcome == SmtpSession::Outcome::Done) {
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
    const SmtpSession::Outcome outcome = d->session.open(d->sessionAccount(), d->options);
    if (outcome == SmtpSession::Outcome::Gone)
        return std::nullopt;
    d->sentInSession = 0;
    return outcome == SmtpSession::Outcome::Done;
}

/// An envelope announced for another recipient is withdrawn first; when that
/// meant closing the connection, the message goes over a new session.
/// Nothing when the transport was destroyed meanwhile.
std::optional<bool> SmtpTransport::matchLookAhead(const SmtpEnvelope &envelope)
{
    if (!d->transaction.hasLookAhead() || d->transaction.awaits(envelope))
        return true;
    if (d->transaction.cancelLookAhead() == SmtpSession::Outcome::Gone)
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
    if (!d->transaction.hasLookAhead())
        return true;
    d->busy = true;
    d->sinceEvents.start();
    if (d->transaction.cancelLookAhead() == SmtpSession::Outcome::Gone)
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
    // Nothing of an earlier refusal may stick to a message that went through.
    d->failure = Failure::None;
    d->lastReplyCode = 0;
    d->lastReplyText.clear();
    d->lastError.clear();
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

} // namespace OrvVelmora
