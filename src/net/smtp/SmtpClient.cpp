#include "net/smtp/SmtpClient.h"

#include "base/platform/CountedText.h"
#include "net/smtp/SmtpLog.h"
#include "net/smtp/SmtpLogin.h"

#include <QLocale>

#include <algorithm>
#include <optional>

namespace OrvVelmora {

namespace {

/// However slow the server, the goodbye is not worth a longer wait.
constexpr int kQuitTimeoutMs = 2000;
constexpr int kMaxKeptReply = 1000;

int codeClass(const SmtpReply &reply)
{
    return reply.code / 100;
}

bool hasEightBit(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

} // namespace

SmtpClient::SmtpClient() = default;

SmtpClient::~SmtpClient() = default;

void SmtpClient::setPump(std::function<void()> pump)
{
    m_connection.setPump(std::move(pump));
}

void SmtpClient::setAlive(std::weak_ptr<bool> alive)
{
    m_alive = alive;
    m_connection.setAlive(std::move(alive));
}

bool SmtpClient::isOpen()
{
    return m_connection.probeOpen();
}

QString SmtpClient::stepText(SmtpFailure step) const
{
    const QString server = m_settings.host;
    switch (step) {
    case SmtpFailure::Connection:
        // The port too: a mistyped port is the commonest cause, and the text is all the user sees.
        return QStringLiteral("Die Verbindung zum Server „%1“ an Port %2 ist fehlgeschlagen.")
            .arg(server)
            .arg(m_settings.port);
    case SmtpFailure::Greeting: return QStringLiteral("Der Server „%1“ hat die Begrüßung abgelehnt.").arg(server);
    case SmtpFailure::EncryptionMissing:
        return QStringLiteral("Der Server „%1“ bietet keine verschlüsselte Verbindung (STARTTLS) an; "
                              "ohne Verschlüsselung werden keine Zugangsdaten gesendet.")
            .arg(server);
    case SmtpFailure::CertificateUntrusted:
        return QStringLiteral("Das Zertifikat des Servers „%1“ ist nicht vertrauenswürdig.").arg(server);
    case SmtpFailure::CertificateChanged:
        return QStringLiteral("Das Zertifikat des Servers „%1“ hat sich geändert; es ist nicht mehr das "
                              "Zertifikat, dem Sie vertraut haben.")
            .arg(server);
    case SmtpFailure::Encryption:
        return QStringLiteral("Die verschlüsselte Verbindung zum Server „%1“ konnte nicht aufgebaut werden.")
            .arg(server);
    case SmtpFailure::Login:
        return QStringLiteral("Die Anmeldung am Server ist fehlgeschlagen. Bitte Benutzername und Kennwort prüfen.");
    case SmtpFailure::Sender: return QStringLiteral("Der Server hat die Absenderadresse abgelehnt.");
    case SmtpFailure::Recipient: return QStringLiteral("Der Server hat die Empfängeradresse abgelehnt.");
    case SmtpFailure::Message: return QStringLiteral("Der Server hat die Nachricht abgelehnt.");
    case SmtpFailure::TooBig: return QStringLiteral("Die Nachricht ist zu groß für den Server.");
    case SmtpFailure::ServerClosed: return QStringLiteral("Der Server hat die Verbindung beendet.");
    case SmtpFailure::Uncertain:
        return QStringLiteral("Die Verbindung brach nach dem Senden der Nachricht ab, bevor der Server den Empfang "
                              "bestätigt hat. Die Nachricht ist möglicherweise angekommen; sie wird nicht erneut "
                              "gesendet.");
    case SmtpFailure::None:
    case SmtpFailure::Local: break;
    }
    return QString();
}

SmtpClient::Outcome SmtpClient::fail(SmtpFailure step, const QString &detail)
{
    m_failure = step;
    m_error = stepText(step);
    if (!detail.isEmpty())
        m_error += (m_error.isEmpty() ? QString() : QStringLiteral(" ")) + detail;
    qCInfo(lcSmtp) << "SMTP step failed:" << static_cast<int>(step) << m_replyCode;
    return Outcome::Failed;
}

SmtpClient::Outcome SmtpClient::lost(SmtpConnection::Status status, SmtpFailure step)
{
    using Status = SmtpConnection::Status;
    m_ahead.reset();
    if (status == Status::Gone)
        return Outcome::Gone;
    m_connection.abort();
    const QString server = m_settings.host;
    switch (status) {
    case Status::Timeout:
        return fail(
            step,
            QStringLiteral("Der Server „%1“ hat nicht rechtzeitig geantwortet (Zeitüberschreitung).").arg(server));
    case Status::Garbled: return fail(step, QStringLiteral("Die Antwort des Servers „%1“ war unlesbar.").arg(server));
    case Status::NotFound: return fail(SmtpFailure::Connection, QStringLiteral("Der Server wurde nicht gefunden."));
    case Status::Refused:
        return fail(SmtpFailure::Connection, QStringLiteral("Der Server ist nicht erreichbar (Verbindung abgelehnt)."));
    case Status::Untrusted: return fail(SmtpFailure::CertificateUntrusted, QString());
    case Status::CertificateChanged: return fail(SmtpFailure::CertificateChanged, QString());
    case Status::TlsFailed: return fail(SmtpFailure::Encryption, QString());
    case Status::Closed:
    case Status::Ok:
    case Status::Gone: break;
    }
    if (step == SmtpFailure::Uncertain)
        return fail(step, QString());
    return fail(step, QStringLiteral("Die Verbindung zum Server „%1“ wurde unterbrochen.").arg(server));
}

SmtpClient::Outcome SmtpClient::refused(const SmtpReply &reply, SmtpFailure step)
{
    m_replyCode = reply.code;
    const SmtpLogin login(m_settings.user, m_settings.password, m_settings.oauthToken);
    m_replyText = QString::fromUtf8(login.scrubbed(reply.text())).left(kMaxKeptReply);
    if (reply.code == 421) {
        m_connection.abort();
        m_ahead.reset();
        step = SmtpFailure::ServerClosed;
    } else if (reply.code == 552 && (step == SmtpFailure::Sender || step == SmtpFailure::Message)) {
        step = SmtpFailure::TooBig;
    }
    return fail(step, QStringLiteral("Antwort des Servers: ") + m_replyText);
}

SmtpClient::Outcome SmtpClient::read(SmtpReply &reply, SmtpFailure step, int timeoutMs)
{
    const SmtpConnection::Status status =
        m_connection.readReply(reply, timeoutMs < 0 ? m_settings.ioTimeout * 1000 : timeoutMs);
    return status == SmtpConnection::Status::Ok ? Outcome::Done : lost(status, step);
}

SmtpClient::Outcome SmtpClient::command(const QByteArray &line, SmtpReply &reply, SmtpFailure step)
{
    const SmtpConnection::Status status = m_connection.write(line, m_settings.ioTimeout * 1000);
    if (status != SmtpConnection::Status::Ok)
        return lost(status, step);
    return read(reply, step);
}

SmtpClient::Outcome SmtpClient::open(const SmtpClientSettings &settings)
{
    m_connection.abort();
    m_ahead.reset();
    m_settings = settings;
    m_failure = SmtpFailure::None;
    m_replyCode = 0;
    m_replyText.clear();
    m_error.clear();
    const SmtpConnection::Status status =
        m_connection.open(settings.host, settings.port, settings.tls == SmtpTlsMode::Implicit, settings.policy,
                          qMax(1, settings.connectTimeout) * 1000);
    if (status != SmtpConnection::Status::Ok)
        return lost(status, SmtpFailure::Connection);
    for (auto step : {&SmtpClient::greet, &SmtpClient::hello, &SmtpClient::secure, &SmtpClient::logIn}) {
        const Outcome outcome = (this->*step)();
        if (outcome != Outcome::Done) {
            if (outcome == Outcome::Failed)
                m_connection.abort();
            return outcome;
        }
    }
    return Outcome::Done;
}

SmtpClient::Outcome SmtpClient::greet()
{
    SmtpReply reply;
    const Outcome outcome = read(reply, SmtpFailure::Greeting, qMax(1, m_settings.connectTimeout) * 1000);
    if (outcome != Outcome::Done)
        return outcome;
    if (reply.code != 220)
        return refused(reply, SmtpFailure::Greeting);
    return Outcome::Done;
}

void SmtpClient::parseCapabilities(const SmtpReply &reply)
{
    m_caps = Capabilities();
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

SmtpClient::Outcome SmtpClient::hello()
{
    SmtpReply reply;
    const Outcome outcome = command("EHLO " + m_settings.heloName + "\r\n", reply, SmtpFailure::Greeting);
    if (outcome != Outcome::Done)
        return outcome;
    if (reply.code != 250)
        return refused(reply, SmtpFailure::Greeting);
    parseCapabilities(reply);
    return Outcome::Done;
}

SmtpClient::Outcome SmtpClient::secure()
{
    const SmtpTlsMode mode = m_settings.tls;
    if (mode == SmtpTlsMode::Implicit || mode == SmtpTlsMode::Off)
        return Outcome::Done;
    if (!m_caps.startTls) {
        if (mode == SmtpTlsMode::Required)
            return fail(SmtpFailure::EncryptionMissing, QString());
        return Outcome::Done;
    }
    SmtpReply reply;
    Outcome outcome = command("STARTTLS\r\n", reply, SmtpFailure::Encryption);
    if (outcome != Outcome::Done)
        return outcome;
    if (reply.code != 220)
        return refused(reply, mode == SmtpTlsMode::Required ? SmtpFailure::EncryptionMissing : SmtpFailure::Encryption);
    const SmtpConnection::Status status = m_connection.startTls(m_settings.ioTimeout * 1000);
    if (status != SmtpConnection::Status::Ok)
        return lost(status, SmtpFailure::Encryption);
    // What the server offered in the clear could have been altered on the way.
    return hello();
}

SmtpClient::Outcome SmtpClient::logIn()
{
    if (m_settings.user.isEmpty())
        return Outcome::Done;
    if (!m_connection.isEncrypted() && !m_settings.plainLoginAllowed)
        return fail(SmtpFailure::EncryptionMissing, QString());
    const SmtpLogin login(m_settings.user, m_settings.password, m_settings.oauthToken);
    const QList<QByteArray> mechanisms = login.candidates(m_caps.auth);
    if (mechanisms.isEmpty())
        return fail(SmtpFailure::Login,
                    QStringLiteral("Der Server bietet kein unterstütztes Anmeldeverfahren an (%1).")
                        .arg(QString::fromLatin1(m_caps.auth.join(' '))));
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
SmtpClient::Outcome SmtpClient::tryMechanism(const QByteArray &mechanism, bool &next)
{
    const SmtpLogin login(m_settings.user, m_settings.password, m_settings.oauthToken);
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

SmtpClient::Outcome SmtpClient::send(const QByteArray &from, const QByteArray &recipient,
                                     const QList<QByteArray> &message, const QByteArray &next)
{
    qint64 size = 0;
    for (const QByteArray &piece : message)
        size += piece.size();
    m_failure = SmtpFailure::None;
    m_replyCode = 0;
    m_replyText.clear();
    m_error.clear();
    const bool utf8 = needsUtf8(from, recipient, message);
    const bool announced = awaits(from, recipient, utf8);
    const bool tooBig = m_caps.sizeLimit > 0 && size > m_caps.sizeLimit;
    const bool utf8Missing = utf8 && !m_caps.smtpUtf8;
    if (!announced || tooBig || utf8Missing) {
        const Outcome withdrawn = cancelLookAhead();
        if (withdrawn == Outcome::Gone)
            return withdrawn;
    }
    if (tooBig)
        return fail(SmtpFailure::TooBig,
                    countedText(m_caps.sizeLimit,
                                QStringLiteral("Der Server nimmt höchstens %n Byte an, die Nachricht hat %1."),
                                QStringLiteral("Der Server nimmt höchstens %n Bytes an, die Nachricht hat %1."))
                        .arg(QLocale(QLocale::German).toString(size)));
    if (utf8Missing)
        return fail(SmtpFailure::Local,
                    QStringLiteral("Der Server „%1“ nimmt keine internationalen e-Mail-Adressen (SMTPUTF8) an; "
                                   "die Nachricht an „%2“ wurde nicht gesendet.")
                        .arg(m_settings.host, QString::fromUtf8(recipient)));
    m_ahead.reset();
    const Outcome outcome = envelope(from, recipient, size, utf8, announced);
    if (outcome != Outcome::Done)
        return outcome;
    return body(message, from, next);
}

bool SmtpClient::awaits(const QByteArray &from, const QByteArray &recipient, bool utf8) const
{
    return m_ahead && m_ahead->from == from && m_ahead->recipient == recipient && m_ahead->utf8 == utf8;
}

bool SmtpClient::needsUtf8(const QByteArray &from, const QByteArray &recipient, const QList<QByteArray> &message)
{
    if (hasEightBit(from) || hasEightBit(recipient))
        return true;
    if (message.isEmpty())
        return false;
    const QByteArray &first = message.constFirst();
    const qsizetype end = first.indexOf("\r\n\r\n");
    return hasEightBit(QByteArrayView(first).first(end < 0 ? first.size() : end));
}

/// An envelope announced for a message that does not follow must not turn into
/// a delivery. Once the server waits for data, only a connection closed without
/// the end marker makes it discard the transaction; before that, RSET does and
/// the session goes on.
SmtpClient::Outcome SmtpClient::cancelLookAhead()
{
    if (!m_ahead)
        return Outcome::Done;
    m_ahead.reset();
    bool dataAccepted = false;
    for (int i = 0; i < 3; ++i) {
        SmtpReply reply;
        const SmtpConnection::Status status = m_connection.readReply(reply, m_settings.ioTimeout * 1000);
        if (status == SmtpConnection::Status::Gone)
            return Outcome::Gone;
        if (status != SmtpConnection::Status::Ok || reply.code == 421) {
            m_connection.abort();
            return Outcome::Done;
        }
        dataAccepted = i == 2 && reply.code == 354;
    }
    if (dataAccepted) {
        qCInfo(lcSmtp) << "Announced message did not follow; closing the connection inside DATA";
        m_connection.abort();
        return Outcome::Done;
    }
    return resetAfterRefusal();
}

QList<QByteArray> SmtpClient::envelopeLines(const QByteArray &from, const QByteArray &recipient, qint64 size,
                                            bool utf8) const
{
    QByteArray mail = "MAIL FROM:<" + from + '>';
    if (utf8)
        mail += " SMTPUTF8";
    // A look-ahead does not know its message's size yet (size < 0); the limit
    // is still checked locally before that message's body goes out.
    if (m_caps.size && size >= 0)
        mail += " SIZE=" + QByteArray::number(size);
    return {mail + "\r\n", "RCPT TO:<" + recipient + ">\r\n", "DATA\r\n"};
}

/// written: the commands already went out ahead of this message, only their
/// replies are still to be read.
SmtpClient::Outcome SmtpClient::envelope(const QByteArray &from, const QByteArray &recipient, qint64 size, bool utf8,
                                         bool written)
{
    const QList<QByteArray> lines = envelopeLines(from, recipient, size, utf8);
    const SmtpFailure steps[] = {SmtpFailure::Sender, SmtpFailure::Recipient, SmtpFailure::Message};
    if (m_caps.pipelining && !written) {
        const SmtpConnection::Status status = m_connection.write(lines.join(), m_settings.ioTimeout * 1000);
        if (status != SmtpConnection::Status::Ok)
            return lost(status, SmtpFailure::Sender);
    }
    // Pipelined, all three replies come whatever the first two said; the first
    // refusal is the one the user needs to read.
    std::optional<SmtpReply> refusal;
    SmtpFailure refusedStep = SmtpFailure::None;
    bool dataAccepted = false;
    for (int i = 0; i < 3; ++i) {
        SmtpReply reply;
        const Outcome outcome = m_caps.pipelining ? read(reply, steps[i]) : command(lines.at(i), reply, steps[i]);
        if (outcome != Outcome::Done)
            return outcome;
        const bool ok = i < 2 ? codeClass(reply) == 2 : reply.code == 354;
        dataAccepted = i == 2 && reply.code == 354;
        if (!ok && !refusal) {
            refusal = reply;
            refusedStep = steps[i];
        }
        if (!ok && (reply.code == 421 || !m_caps.pipelining))
            break;
    }
    if (!refusal)
        return Outcome::Done;
    if (refusal->code != 421 && dataAccepted) {
        // The server took DATA although an earlier step failed; an empty
        // message ends that state without delivering anything.
        SmtpReply ignored;
        const Outcome outcome = command(".\r\n", ignored, SmtpFailure::Message);
        if (outcome != Outcome::Done)
            return outcome;
    }
    const Outcome outcome = refused(*refusal, refusedStep);
    if (refusal->code == 421)
        return outcome;
    const Outcome reset = resetAfterRefusal();
    return reset == Outcome::Gone ? reset : outcome;
}

/// RSET clears whatever the refused transaction left behind, so the next
/// message starts clean in the same session.
SmtpClient::Outcome SmtpClient::resetAfterRefusal()
{
    SmtpReply reply;
    const Outcome outcome = m_connection.write("RSET\r\n", m_settings.ioTimeout * 1000) == SmtpConnection::Status::Ok
        ? Outcome::Done
        : Outcome::Failed;
    if (outcome != Outcome::Done) {
        m_connection.abort();
        return outcome;
    }
    const SmtpConnection::Status status = m_connection.readReply(reply, m_settings.ioTimeout * 1000);
    if (status == SmtpConnection::Status::Gone)
        return Outcome::Gone;
    if (status != SmtpConnection::Status::Ok || codeClass(reply) != 2)
        m_connection.abort();
    return Outcome::Done;
}

SmtpClient::Outcome SmtpClient::body(const QList<QByteArray> &message, const QByteArray &from, const QByteArray &next)
{
    const bool ahead = m_caps.pipelining && !next.isEmpty();
    // Judged by the addresses alone; should the next message's headers need
    // SMTPUTF8 all the same, its Send() withdraws this envelope.
    const bool utf8 = hasEightBit(from) || hasEightBit(next);
    const QByteArray after = ahead ? envelopeLines(from, next, -1, utf8).join() : QByteArray();
    SmtpConnection::Status status = m_connection.writeBody(message, m_settings.ioTimeout * 1000, after);
    if (status != SmtpConnection::Status::Ok)
        return lost(status, SmtpFailure::Message);
    if (ahead)
        m_ahead = LookAhead{from, next, utf8};
    if (m_whileWaiting)
        m_whileWaiting();
    SmtpReply reply;
    status = m_connection.readReply(reply, m_settings.ioTimeout * 1000);
    // The body is out; silence or a hang-up now leaves open whether the
    // server kept the message.
    if (status == SmtpConnection::Status::Closed || status == SmtpConnection::Status::Timeout)
        return lost(status, SmtpFailure::Uncertain);
    if (status != SmtpConnection::Status::Ok)
        return lost(status, SmtpFailure::Message);
    if (codeClass(reply) != 2)
        return refused(reply, SmtpFailure::Message);
    return Outcome::Done;
}

void SmtpClient::close()
{
    if (m_ahead) {
        // QUIT would only land in the announced message's data; closing
        // without the end marker discards whatever the server holds.
        m_ahead.reset();
        m_connection.abort();
        return;
    }
    m_connection.quit(kQuitTimeoutMs);
}

} // namespace OrvVelmora
