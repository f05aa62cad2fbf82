#include "net/smtp/SmtpSession.h"

#include "net/smtp/SmtpAddress.h"
#include "net/smtp/SmtpHostName.h"
#include "net/smtp/SmtpLog.h"
#include "net/smtp/SmtpLogin.h"
#include "net/smtp/SmtpTexts.h"

#include <QFileInfo>

namespace OrvVelmora {

namespace {

constexpr int kSmtpPort = 25;
constexpr int kImplicitTlsPort = 465;
constexpr int kMaxPort = 65535;
/// However slow the server, the goodbye is not worth a longer wait.
constexpr int kQuitTimeoutMs = 2000;
constexpr int kMaxKeptReply = 1000;

} // namespace

void SmtpSession::clearFailure()
{
    m_failure = SmtpFailure::None;
    m_replyCode = 0;
    m_replyText.clear();
    m_error.clear();
}

SmtpSession::Outcome SmtpSession::fail(SmtpFailure step, const QString &detail)
{
    m_failure = step;
    m_error = SmtpTexts::failure(step, m_account.server, m_account.port);
    if (!detail.isEmpty())
        m_error += (m_error.isEmpty() ? QString() : QStringLiteral(" ")) + detail;
    qCInfo(lcSmtp) << "SMTP step failed:" << step << m_replyCode;
    return Outcome::Failed;
}

SmtpSession::Outcome SmtpSession::lost(SmtpConnection::Status status, SmtpFailure step)
{
    using Status = SmtpConnection::Status;
    m_announced.reset();
    if (status == Status::Gone)
        return Outcome::Gone;
    qCInfo(lcSmtp) << "SMTP connection ended:" << status << "at" << step;
    m_connection.abort();
    const QString &server = m_account.server;
    switch (status) {
    case Status::NotFound: return fail(SmtpFailure::Connection, SmtpTexts::hostNotFound());
    case Status::Refused: return fail(SmtpFailure::Connection, SmtpTexts::connectionRefused());
    case Status::Untrusted: return fail(SmtpFailure::CertificateUntrusted, QString());
    case Status::CertificateChanged: return fail(SmtpFailure::CertificateChanged, QString());
    case Status::TlsFailed: return fail(SmtpFailure::Encryption, QString());
    case Status::Ok:
    case Status::Gone: break;
    case Status::Timeout:
    case Status::Closed:
    case Status::Garbled:
        if (step == SmtpFailure::Connection || step == SmtpFailure::Uncertain)
            break;
        // Silence, a hang-up or noise is no refusal: the text says what
        // happened, whatever step the dialogue was at.
        if (status == Status::Garbled)
            return failWith(step, SmtpTexts::garbled(server));
        return failWith(status == Status::Timeout ? SmtpFailure::TimedOut : SmtpFailure::ServerClosed,
                        status == Status::Timeout ? SmtpTexts::timedOut(server) : SmtpTexts::hungUp(server));
    }
    if (step == SmtpFailure::Uncertain)
        return fail(step, QString());
    return fail(step, status == Status::Timeout ? SmtpTexts::timedOut(server) : SmtpTexts::interrupted(server));
}

SmtpSession::Outcome SmtpSession::failWith(SmtpFailure step, const QString &text)
{
    m_failure = step;
    m_error = text;
    qCInfo(lcSmtp) << "SMTP step failed:" << step;
    return Outcome::Failed;
}

SmtpSession::Outcome SmtpSession::refused(const SmtpReply &reply, SmtpFailure step)
{
    m_replyCode = reply.code;
    const SmtpLogin login(m_account.user, m_account.password, m_account.accessToken);
    m_replyText = QString::fromUtf8(login.scrubbed(reply.text())).left(kMaxKeptReply);
    if (reply.code == 421) {
        m_connection.abort();
        m_announced.reset();
        step = SmtpFailure::ServerClosed;
    } else if (reply.code == 552 && (step == SmtpFailure::Sender || step == SmtpFailure::Message)) {
        step = SmtpFailure::TooBig;
    }
    return fail(step, SmtpTexts::serverReply(m_replyText));
}

SmtpSession::Outcome SmtpSession::read(SmtpReply &reply, SmtpFailure step, int timeoutMs)
{
    const SmtpConnection::Status status = m_connection.readReply(reply, timeoutMs < 0 ? ioTimeoutMs() : timeoutMs);
    return status == SmtpConnection::Status::Ok ? Outcome::Done : lost(status, step);
}

SmtpSession::Outcome SmtpSession::command(const QByteArray &line, SmtpReply &reply, SmtpFailure step)
{
    const SmtpConnection::Status status = m_connection.write(line, ioTimeoutMs());
    if (status != SmtpConnection::Status::Ok)
        return lost(status, step);
    return read(reply, step);
}

/// The account as this session will use it; false, with a Local failure,
/// when it cannot be used at all.
bool SmtpSession::plan(const SmtpAccount &account, const SmtpSessionOptions &options)
{
    m_account = account;
    m_account.server = account.server.trimmed();
    m_options = options;
    m_options.connectTimeout = qMax(1, options.connectTimeout);
    m_options.timeout = qMax(1, options.timeout);
    const auto refuse = [this](const QString &text) {
        fail(SmtpFailure::Local, text);
        return false;
    };
    const QString &host = m_account.server;
    if (host.isEmpty())
        return refuse(SmtpTexts::noServer());
    if (!SmtpHostName::isServer(host))
        return refuse(SmtpTexts::invalidServer(SmtpAddress::printable(host)));
    if (account.port > kMaxPort)
        return refuse(SmtpTexts::invalidPort(account.port));
    m_account.port = account.port > 0 ? account.port : kSmtpPort;
    const bool local = options.thisMachineExempt && SmtpHostName::isThisMachine(host);
    if (account.tls == SmtpTlsMode::Off && !local)
        return refuse(SmtpTexts::plainOnlyOnThisMachine());
    if (account.tls == SmtpTlsMode::Off)
        m_encryption = Encryption::Off;
    else if (m_account.port == kImplicitTlsPort)
        m_encryption = Encryption::Implicit;
    else
        m_encryption =
            local || account.tls == SmtpTlsMode::WhenOffered ? Encryption::WhenOffered : Encryption::Required;
    // A relay on this machine may see the password in the clear; it never
    // leaves the machine. Any other server gets it only over TLS.
    m_plainLoginAllowed = local;
    if (!account.caFile.isEmpty() && !QFileInfo(account.caFile).isReadable())
        return refuse(SmtpTexts::unreadableCaFile(account.caFile));
    return true;
}

SmtpSession::Outcome SmtpSession::open(const SmtpAccount &account, const SmtpSessionOptions &options)
{
    abort();
    clearFailure();
    if (!plan(account, options))
        return Outcome::Failed;
    qCDebug(lcSmtp) << "connecting to" << m_account.server << m_account.port << "with TLS" << account.tls;
    const SmtpTlsPolicy policy{m_account.server, m_account.caFile, m_account.trustedCertificate,
                               m_account.trustedErrors};
    m_trace = std::make_unique<SmtpTrace>(m_account.user, m_account.password, m_account.accessToken);
    m_connection.setTrace(SmtpTrace::wanted() ? m_trace.get() : nullptr);
    const SmtpConnection::Status status =
        m_connection.open(m_account.server, m_account.port, m_encryption == Encryption::Implicit, policy,
                          m_options.connectTimeout * 1000);
    if (status != SmtpConnection::Status::Ok)
        return lost(status, SmtpFailure::Connection);
    m_heloName = SmtpHostName::greeting(m_options.heloName, m_connection.localAddress());
    for (auto step : {&SmtpSession::greet, &SmtpSession::hello, &SmtpSession::secure, &SmtpSession::logIn}) {
        const Outcome outcome = (this->*step)();
        if (outcome != Outcome::Done) {
            if (outcome == Outcome::Failed)
                m_connection.abort();
            return outcome;
        }
    }
    return Outcome::Done;
}

SmtpSession::Outcome SmtpSession::greet()
{
    SmtpReply reply;
    const Outcome outcome = read(reply, SmtpFailure::Greeting, m_options.connectTimeout * 1000);
    if (outcome != Outcome::Done)
        return outcome;
    if (reply.code != 220)
        return refused(reply, SmtpFailure::Greeting);
    // Dovecot's submission service (2.3 as Debian 12 ships it) aborts the
    // session when commands follow a message's end in one flight; it names
    // itself in its greeting unless its owner changed that, and the send run
    // learns the rest the hard way.
    m_dropsAnnounced = reply.text().contains(QByteArrayLiteral("Dovecot"));
    return Outcome::Done;
}

void SmtpSession::parseCapabilities(const SmtpReply &reply)
{
    m_caps = Capabilities();
    m_caps.extended = true;
    for (qsizetype i = 1; i < reply.lines.size(); ++i) {
        const QList<QByteArray> words = reply.lines.at(i).toUpper().simplified().split(' ');
        const QByteArray &keyword = words.constFirst();
        if (keyword == "STARTTLS")
            m_caps.startTls = true;
        else if (keyword == "SMTPUTF8")
            m_caps.smtpUtf8 = true;
        else if (keyword == "PIPELINING")
            m_caps.pipelining = true;
        else if (keyword == "SIZE") {
            m_caps.size = true;
            m_caps.sizeLimit = words.value(1).toLongLong();
        } else if (keyword == "AUTH" || keyword.startsWith("AUTH="))
            m_caps.auth += keyword == "AUTH" ? words.mid(1) : keyword.mid(5).split(' ');
    }
}

SmtpSession::Outcome SmtpSession::hello()
{
    SmtpReply reply;
    Outcome outcome = command("EHLO " + m_heloName + "\r\n", reply, SmtpFailure::Greeting);
    if (outcome != Outcome::Done)
        return outcome;
    m_caps = Capabilities();
    if (reply.code == 500 || reply.code == 502) {
        // An old relay or a device that knows no extensions: HELO, and the
        // session goes on without pipelining, SIZE or STARTTLS.
        qCInfo(lcSmtp) << "EHLO refused with" << reply.code << "- greeting with HELO";
        outcome = command("HELO " + m_heloName + "\r\n", reply, SmtpFailure::Greeting);
        if (outcome != Outcome::Done)
            return outcome;
        return reply.code == 250 ? Outcome::Done : refused(reply, SmtpFailure::Greeting);
    }
    if (reply.code != 250)
        return refused(reply, SmtpFailure::Greeting);
    parseCapabilities(reply);
    return Outcome::Done;
}

SmtpSession::Outcome SmtpSession::secure()
{
    if (m_encryption == Encryption::Implicit || m_encryption == Encryption::Off)
        return Outcome::Done;
    const bool required = m_encryption == Encryption::Required;
    if (!m_caps.startTls)
        return required ? fail(SmtpFailure::EncryptionMissing, QString()) : Outcome::Done;
    SmtpReply reply;
    const Outcome outcome = command("STARTTLS\r\n", reply, SmtpFailure::Encryption);
    if (outcome != Outcome::Done)
        return outcome;
    if (reply.code != 220)
        return refused(reply, required ? SmtpFailure::EncryptionMissing : SmtpFailure::Encryption);
    const SmtpConnection::Status status = m_connection.startTls(ioTimeoutMs());
    if (status != SmtpConnection::Status::Ok)
        return lost(status, SmtpFailure::Encryption);
    // What the server offered in the clear could have been altered on the way.
    return hello();
}

SmtpSession::Outcome SmtpSession::logIn()
{
    // A server greeted with HELO offers no login; whether it relays for us
    // anyway, it says at MAIL. The credentials stay with us.
    if (m_account.user.isEmpty() || !m_caps.extended)
        return Outcome::Done;
    if (!m_connection.isEncrypted() && !m_plainLoginAllowed)
        return fail(SmtpFailure::EncryptionMissing, QString());
    const SmtpLogin login(m_account.user, m_account.password, m_account.accessToken);
    const QList<QByteArray> mechanisms = login.candidates(m_caps.auth);
    if (mechanisms.isEmpty())
        return fail(SmtpFailure::Login, SmtpTexts::noLoginMechanism(QString::fromLatin1(m_caps.auth.join(' '))));
    for (const QByteArray &mechanism : mechanisms) {
        bool next = false;
        const Outcome outcome = tryMechanism(mechanism, next);
        if (!next)
            return outcome;
    }
    return Outcome::Failed;
}

/// next: the server does not support this mechanism after all (504), so the
/// following one may be tried. A refused login (535) is final: trying again
/// with the same secret would only bring the account closer to a lock-out.
SmtpSession::Outcome SmtpSession::tryMechanism(const QByteArray &mechanism, bool &next)
{
    const SmtpLogin login(m_account.user, m_account.password, m_account.accessToken);
    SmtpReply reply;
    Outcome outcome = command(login.command(mechanism), reply, SmtpFailure::Login);
    for (int step = 0; outcome == Outcome::Done && reply.code == 334 && step < 4; ++step) {
        const QByteArray challenge = QByteArray::fromBase64(reply.lines.value(0));
        outcome = command(login.answer(mechanism, challenge, step), reply, SmtpFailure::Login);
    }
    if (outcome != Outcome::Done)
        return outcome;
    if (reply.code == 235)
        return Outcome::Done;
    next = reply.code == 504;
    return refused(reply, SmtpFailure::Login);
}

void SmtpSession::abort()
{
    m_connection.abort();
    m_announced.reset();
}

void SmtpSession::close()
{
    if (m_announced) {
        // QUIT would only land in the announced message's data; closing
        // without the end marker discards whatever the server holds.
        abort();
        return;
    }
    m_connection.quit(kQuitTimeoutMs);
}

} // namespace OrvVelmora
