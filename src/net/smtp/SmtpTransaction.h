#pragma once

#include "net/smtp/SmtpSession.h"

#include <QByteArray>
#include <QList>

#include <functional>

namespace OrvVelmora {

/// The mail transactions over an open SmtpSession, each with one recipient.
///
/// With PIPELINING offered, MAIL, RCPT and DATA of a message go out in one
/// flight and the body in the next. When the caller names the next recipient,
/// that message's MAIL, RCPT and DATA follow this message's end marker in the
/// same flight (the session keeps that envelope as announced); their replies
/// are read by the next send(), so in a steady run a message costs one round
/// trip. Such a look-ahead never delivers anything on its own: unless the
/// announced message follows, it is withdrawn (RSET, or closing the connection
/// once the server waits for data). Some servers end the session when
/// commands follow a message's end in one flight (Debian 12's Dovecot
/// submission service relays the message and then aborts before its reply);
/// the caller turns announcing off for those. A refusal at MAIL or RCPT is answered
/// with RSET and leaves the session usable for the next message; only a 421
/// or a lost connection ends it.
class SmtpTransaction
{
public:
    using Outcome = SmtpSession::Outcome;

    explicit SmtpTransaction(SmtpSession &session)
        : m_session(session)
    {
    }

    /// Called once per message, after its end has been written and before
    /// the wait for the server's answer.
    void setWhileWaiting(std::function<void()> work) { m_whileWaiting = std::move(work); }

    /// The envelope of a message; it needs SMTPUTF8 when an address in the
    /// envelope or the headers has a local part beyond ASCII (everything else
    /// in the headers is encoded).
    static SmtpEnvelope envelopeOf(const QByteArray &from, const QByteArray &recipient,
                                   const QList<QByteArray> &message);
    /// One message; next, when not empty, is the recipient of the message
    /// expected to follow (checked, like the envelope's addresses).
    Outcome send(const SmtpEnvelope &envelope, const QList<QByteArray> &message, const QByteArray &next = {});
    /// True when this envelope is already on its way.
    bool awaits(const SmtpEnvelope &envelope) const { return m_session.announced() == envelope; }
    bool hasLookAhead() const { return m_session.announced().has_value(); }
    /// Withdraws an announced envelope; the session may be closed afterwards.
    Outcome cancelLookAhead();
    /// Off: every message's end goes alone and its reply is read before the
    /// next envelope is written (on by default).
    void setAnnounceAhead(bool on) { m_announceAhead = on; }
    /// The last send() lost its session after a flight that carried the
    /// message's end together with the next envelope.
    bool announcedEndLost() const { return m_announcedEndLost; }

private:
    QList<QByteArray> envelopeLines(const SmtpEnvelope &envelope, qint64 size) const;
    Outcome sendEnvelope(const SmtpEnvelope &envelope, qint64 size, bool written);
    Outcome body(const QList<QByteArray> &message, qint64 size, const QByteArray &from, const QByteArray &next);
    Outcome resetAfterRefusal();

    SmtpSession &m_session;
    std::function<void()> m_whileWaiting;
    bool m_announceAhead = true;
    bool m_announcedEndLost = false;
};

} // namespace OrvVelmora
