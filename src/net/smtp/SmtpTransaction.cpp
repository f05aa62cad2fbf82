#include "net/smtp/SmtpTransaction.h"

#include "net/smtp/SmtpLog.h"
#include "net/smtp/SmtpTexts.h"

#include <algorithm>
#include <optional>

namespace OrvVelmora {

namespace {

using Status = SmtpConnection::Status;

int codeClass(const SmtpReply &reply)
{
    return reply.code / 100;
}

bool hasEightBit(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

} // namespace

SmtpEnvelope SmtpTransaction::envelopeOf(const QByteArray &from, const QByteArray &recipient,
                                         const QList<QByteArray> &message)
{
    SmtpEnvelope envelope{from, recipient, hasEightBit(from) || hasEightBit(recipient)};
    if (!envelope.utf8 && !message.isEmpty()) {
        const QByteArray &first = message.constFirst();
        const qsizetype end = first.indexOf("\r\n\r\n");
        envelope.utf8 = hasEightBit(QByteArrayView(first).first(end < 0 ? first.size() : end));
    }
    return envelope;
}

SmtpTransaction::Outcome SmtpTransaction::send(const SmtpEnvelope &envelope, const QList<QByteArray> &message,
                                               const QByteArray &next)
{
    qint64 size = 0;
    for (const QByteArray &piece : message)
        size += piece.size();
    m_session.clearFailure();
    m_announcedEndLost = false;
    const SmtpSession::Capabilities &caps = m_session.capabilities();
    const bool announced = awaits(envelope);
    const bool tooBig = caps.sizeLimit > 0 && size > caps.sizeLimit;
    const bool utf8Missing = envelope.utf8 && !caps.smtpUtf8;
    if ((!announced || tooBig || utf8Missing) && cancelLookAhead() == Outcome::Gone)
        return Outcome::Gone;
    if (tooBig)
        return m_session.fail(SmtpFailure::TooBig, SmtpTexts::sizeLimit(caps.sizeLimit, size));
    if (utf8Missing)
        return m_session.fail(SmtpFailure::Local,
                              SmtpTexts::noSmtpUtf8(m_session.host(), QString::fromUtf8(envelope.recipient)));
    m_session.setAnnounced(std::nullopt);
    const Outcome outcome = sendEnvelope(envelope, size, announced);
    if (outcome != Outcome::Done)
        return outcome;
    return body(message, size, envelope.from, next);
}

/// An envelope announced for a message that does not follow must not turn into
/// a delivery. Once the server waits for data, only a connection closed without
/// the end marker makes it discard the transaction; before that, RSET does and
/// the session goes on.
SmtpTransaction::Outcome SmtpTransaction::cancelLookAhead()
{
    if (!hasLookAhead())
        return Outcome::Done;
    m_session.setAnnounced(std::nullopt);
    bool dataAccepted = false;
    for (int i = 0; i < 3; ++i) {
        SmtpReply reply;
        const Status status = m_session.connection().readReply(reply, m_session.ioTimeoutMs());
        if (status == Status::Gone)
            return Outcome::Gone;
        if (status != Status::Ok || reply.code == 421) {
            m_session.abort();
            return Outcome::Done;
        }
        dataAccepted = i == 2 && reply.code == 354;
    }
    if (dataAccepted) {
        qCInfo(lcSmtp) << "Announced message did not follow; closing the connection inside DATA";
        m_session.abort();
        return Outcome::Done;
    }
    return resetAfterRefusal();
}

QList<QByteArray> SmtpTransaction::envelopeLines(const SmtpEnvelope &envelope, qint64 size) const
{
    QByteArray mail = "MAIL FROM:<" + envelope.from + '>';
    if (envelope.utf8)
        mail += " SMTPUTF8";
    // An envelope announced ahead declares the size of the message before it:
    // the messages of a mailing differ only in a few personal words, and the
    // size is the client's estimate anyway. The limit is still checked
    // locally before that message's body goes out.
    if (m_session.capabilities().size)
        mail += " SIZE=" + QByteArray::number(size);
    return {mail + "\r\n", "RCPT TO:<" + envelope.recipient + ">\r\n", "DATA\r\n"};
}

/// written: the commands already went out ahead of this message, only their
/// replies are still to be read.
SmtpTransaction::Outcome SmtpTransaction::sendEnvelope(const SmtpEnvelope &envelope, qint64 size, bool written)
{
    const bool pipelining = m_session.capabilities().pipelining;
    const QList<QByteArray> lines = envelopeLines(envelope, size);
    const SmtpFailure steps[] = {SmtpFailure::Sender, SmtpFailure::Recipient, SmtpFailure::Message};
    if (pipelining && !written) {
        const Status status = m_session.connection().write(lines.join(), m_session.ioTimeoutMs());
        if (status != Status::Ok)
            return m_session.lost(status, SmtpFailure::Sender);
    }
    // Pipelined, all three replies come whatever the first two said; the first
    // refusal is the one the user needs to read.
    std::optional<SmtpReply> refusal;
    SmtpFailure refusedStep = SmtpFailure::None;
    bool dataAccepted = false;
    for (int i = 0; i < 3; ++i) {
        SmtpReply reply;
        const Outcome outcome =
            pipelining ? m_session.read(reply, steps[i]) : m_session.command(lines.at(i), reply, steps[i]);
        if (outcome != Outcome::Done)
            return outcome;
        const bool ok = i < 2 ? codeClass(reply) == 2 : reply.code == 354;
        dataAccepted = i == 2 && reply.code == 354;
        if (!ok && !refusal) {
            refusal = reply;
            refusedStep = steps[i];
        }
        if (!ok && (reply.code == 421 || !pipelining))
            break;
    }
    if (!refusal)
        return Outcome::Done;
    if (refusal->code != 421 && dataAccepted) {
        // The server took DATA although an earlier step failed; an empty
        // message ends that state without delivering anything.
        SmtpReply ignored;
        const Outcome outcome = m_session.command(".\r\n", ignored, SmtpFailure::Message);
        if (outcome != Outcome::Done)
            return outcome;
    }
    const Outcome outcome = m_session.refused(*refusal, refusedStep);
    if (refusal->code == 421)
        return outcome;
    const Outcome reset = resetAfterRefusal();
    return reset == Outcome::Gone ? reset : outcome;
}

/// RSET clears whatever the refused transaction left behind, so the next
/// message starts clean in the same session.
SmtpTransaction::Outcome SmtpTransaction::resetAfterRefusal()
{
    SmtpConnection &connection = m_session.connection();
    if (connection.write("RSET\r\n", m_session.ioTimeoutMs()) != Status::Ok) {
        m_session.abort();
        return Outcome::Failed;
    }
    SmtpReply reply;
    const Status status = connection.readReply(reply, m_session.ioTimeoutMs());
    if (status == Status::Gone)
        return Outcome::Gone;
    if (status != Status::Ok || codeClass(reply) != 2)
        m_session.abort();
    return Outcome::Done;
}

SmtpTransaction::Outcome SmtpTransaction::body(const QList<QByteArray> &message, qint64 size, const QByteArray &from,
                                               const QByteArray &next)
{
    const bool ahead =
        m_announceAhead && m_session.capabilities().pipelining && !m_session.dropsAnnounced() && !next.isEmpty();
    // Judged by the addresses alone; should the next message's headers need
    // SMTPUTF8 all the same, its send() withdraws this envelope.
    const SmtpEnvelope announced{from, next, hasEightBit(from) || hasEightBit(next)};
    const QByteArray after = ahead ? envelopeLines(announced, size).join() : QByteArray();
    Status status = m_session.connection().writeBody(message, m_session.ioTimeoutMs(), after);
    if (status != Status::Ok)
        return m_session.lost(status, SmtpFailure::Message);
    if (ahead)
        m_session.setAnnounced(announced);
    if (m_whileWaiting)
        m_whileWaiting();
    SmtpReply reply;
    status = m_session.connection().readReply(reply, m_session.ioTimeoutMs());
    // The body is out; silence or a hang-up now leaves open whether the
    // server kept the message.
    if (status == Status::Closed || status == Status::Timeout) {
        m_announcedEndLost = ahead;
        return m_session.lost(status, SmtpFailure::Uncertain);
    }
    if (status != Status::Ok)
        return m_session.lost(status, SmtpFailure::Message);
    if (codeClass(reply) != 2)
        return m_session.refused(reply, SmtpFailure::Message);
    return Outcome::Done;
}

} // namespace OrvVelmora
