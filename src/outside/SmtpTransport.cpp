#include "outside/SmtpTransport.h"

namespace OrvVelmora {

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
};

SmtpTransport::SmtpTransport(QObject *parent) : QObject(parent), d(std::make_unique<Private>()) {}
SmtpTransport::~SmtpTransport() = default;

QString SmtpTransport::Server() const { return d->server; }
void SmtpTransport::setServer(const QString &server) { d->server = server; }
qint32 SmtpTransport::Port() const { return d->port; }
void SmtpTransport::setPort(qint32 port) { d->port = port; }
QString SmtpTransport::UserName() const { return d->userName; }
void SmtpTransport::setUserName(const QString &userName) { d->userName = userName; }
QString SmtpTransport::Password() const { return d->password; }
void SmtpTransport::setPassword(const QString &password) { d->password = password; }
bool SmtpTransport::UseAuthentication() const { return d->useAuthentication; }
void SmtpTransport::setUseAuthentication(bool on) { d->useAuthentication = on; }
QString SmtpTransport::FromName() const { return d->fromName; }
void SmtpTransport::setFromName(const QString &name) { d->fromName = name; }
QString SmtpTransport::FromAddress() const { return d->fromAddress; }
void SmtpTransport::setFromAddress(const QString &address) { d->fromAddress = address; }
QString SmtpTransport::Organization() const { return d->organization; }
void SmtpTransport::setOrganization(const QString &organization) { d->organization = organization; }
QString SmtpTransport::ReplyTo() const { return d->replyTo; }
void SmtpTransport::setReplyTo(const QString &address) { d->replyTo = address; }
QString SmtpTransport::Recipient() const { return d->recipient; }
void SmtpTransport::setRecipient(const QString &address) { d->recipient = address; }
QString SmtpTransport::Subject() const { return d->subject; }
void SmtpTransport::setSubject(const QString &subject) { d->subject = subject; }
QString SmtpTransport::Body() const { return d->body; }
void SmtpTransport::setBody(const QString &body) { d->body = body; }
QString SmtpTransport::FormattedBody() const { return d->formattedBody; }
void SmtpTransport::setFormattedBody(const QString &html) { d->formattedBody = html; }
qint32 SmtpTransport::Priority() const { return d->priority; }
void SmtpTransport::setPriority(qint32 priority) { d->priority = priority; }
bool SmtpTransport::ReadReceipt() const { return d->readReceipt; }
void SmtpTransport::setReadReceipt(bool on) { d->readReceipt = on; }
QString SmtpTransport::HeloName() const { return d->heloName; }
void SmtpTransport::setHeloName(const QString &name) { d->heloName = name; }
QString SmtpTransport::BounceAddress() const { return d->bounceAddress; }
void SmtpTransport::setBounceAddress(const QString &address) { d->bounceAddress = address; }
bool SmtpTransport::UseTls() const { return d->useTls; }
void SmtpTransport::setUseTls(bool on) { d->useTls = on; }
qint32 SmtpTransport::ConnectTimeout() const { return d->connectTimeout; }
void SmtpTransport::setConnectTimeout(qint32 seconds) { d->connectTimeout = seconds; }
qint32 SmtpTransport::RetryCount() const { return d->retryCount; }
void SmtpTransport::setRetryCount(qint32 count) { d->retryCount = count; }
qint32 SmtpTransport::Timeout() const { return d->timeout; }
void SmtpTransport::setTimeout(qint32 seconds) { d->timeout = seconds; }
QString SmtpTransport::CAFile() const { return d->caFile; }
void SmtpTransport::setCAFile(const QString &path) { d->caFile = path; }
void SmtpTransport::setLoopbackTreatedAsRemote(bool on) { d->loopbackTreatedAsRemote = on; }

void SmtpTransport::ClearAttachments() {}
void SmtpTransport::AddAttachment(const QString &, bool) {}

bool SmtpTransport::Connect()
{
    d->lastError = QStringLiteral("Der Versand ist noch nicht verfügbar.");
    return false;
}

bool SmtpTransport::IsConnected() const { return false; }

qint32 SmtpTransport::Send()
{
    d->lastError = QStringLiteral("Der Versand ist noch nicht verfügbar.");
    return -1;
}

QString SmtpTransport::LastError() const { return d->lastError; }
void SmtpTransport::Disconnect() {}

} // namespace OrvVelmora
