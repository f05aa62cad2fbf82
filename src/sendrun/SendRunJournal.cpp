#include "sendrun/SendRunJournal.h"

#include "base/platform/CountedText.h"
#include "base/platform/PlatformServices.h"
#include "journal/RunPause.h"
#include "net/smtp/SmtpTransport.h"
#include "sendrun/SendRunView.h"

namespace OrvVelmora {

namespace {

int replyCode(qint32 result)
{
    return result < -2 ? -result : 0;
}

} // namespace

SendRunJournal::SendRunJournal(DeliveryBook &book, SmtpTransport &transport, SendRunView &view)
    : m_book(book)
    , m_transport(transport)
    , m_view(view)
{
    m_clock.start();
}

void SendRunJournal::waitForRate(const bool &stopRequested, bool &stopped)
{
    const qint64 waitMs = m_throttle.waitMs(m_clock.elapsed());
    if (waitMs <= 0)
        return;
    m_book.flush();
    const QString before = m_view.labelText(SendLabel::lblStatus);
    stopped = !RunPause::wait(
        int(waitMs), [&] { return stopRequested; },
        [&](int seconds) {
            m_view.setLabelText(SendLabel::lblStatus,
                                countedText(m_throttle.perMinute(),
                                            QStringLiteral("Warte %1 s (höchstens %n e-Mail pro Minute)..."),
                                            QStringLiteral("Warte %1 s (höchstens %n e-Mails pro Minute)..."))
                                    .arg(seconds));
        });
    m_view.setLabelText(SendLabel::lblStatus, before);
}

bool SendRunJournal::beforeSend(qint32 row, const bool &stopRequested)
{
    bool stopped = false;
    waitForRate(stopRequested, stopped);
    if (stopped)
        return false;
    m_transport.setMessageId(m_book.messageId(row));
    m_book.beginSend(row);
    m_throttle.sent(m_clock.elapsed());
    return true;
}

ReplyKind SendRunJournal::afterSend(qint32 row, qint32 result)
{
    if (result >= 0) {
        m_book.record(row, ReplyKind::Delivered, 0, {});
        return ReplyKind::Delivered;
    }
    // Too big by the size the server announced is known before a byte goes
    // out; it will never fit, however often it is tried.
    const SmtpTransport::Failure failure = m_transport.LastFailure();
    const bool ours = failure == SmtpTransport::Failure::Local ||
        (failure == SmtpTransport::Failure::TooBig && m_transport.LastReplyCode() == 0);
    if (ours) {
        m_book.record(row, ReplyKind::OurFault, 0, m_transport.LastError());
        return ReplyKind::OurFault;
    }
    const int code = m_transport.LastReplyCode();
    const QString text = m_transport.LastReplyText();
    const ReplyKind kind =
        m_book.endSend(row, result, code ? code : replyCode(result), text.isEmpty() ? m_transport.LastError() : text);
    if (kind == ReplyKind::Limit)
        m_limitReply = text.isEmpty() ? m_transport.LastError() : text;
    return kind;
}

QList<qint32> SendRunJournal::nextRound(int round, const bool &stopRequested)
{
    const QList<qint32> rows = m_book.temporaryRows();
    if (paused() || round > m_retry.rounds() || rows.isEmpty() || stopRequested)
        return {};
    // A server that asked us to come back later gets a fresh session then.
    if (m_transport.IsConnected())
        m_transport.Disconnect();
    m_book.flush();
    const bool waited = RunPause::wait(
        m_retry.waitBefore(round), [&] { return stopRequested; },
        [&](int seconds) {
            m_view.setLabelText(
                SendLabel::lblStatus,
                countedText(
                    rows.size(),
                    QStringLiteral("%n vorübergehend abgelehnte e-Mail: neuer Versuch in %1 s (Runde %2 von %3)..."),
                    QStringLiteral("%n vorübergehend abgelehnte e-Mails: neuer Versuch in %1 s (Runde %2 von %3)..."))
                    .arg(seconds)
                    .arg(round)
                    .arg(m_retry.rounds()));
        });
    return waited ? rows : QList<qint32>{};
}

QList<qint32> SendRunJournal::finallyRefused() const
{
    return m_book.temporaryRows();
}

void SendRunJournal::finish(const RunCounts &counts)
{
    m_book.closeIfDone();
    if (!paused())
        return;
    const qint32 missing = counts.total - counts.sent;
    PlatformServices::instance().messageBox(
        QStringLiteral("Der e-Mail-Server begrenzt den Versand und hat ihn vorerst angehalten:\r\n%1\r\n\r\n")
                .arg(m_limitReply) +
            countedText(missing, QStringLiteral("%n Empfänger hat die e-Mail noch nicht erhalten."),
                        QStringLiteral("%n Empfänger haben die e-Mail noch nicht erhalten.")) +
            QStringLiteral(" Der Versand kann später fortgesetzt werden; beim nächsten Öffnen des Assistenten wird er "
                           "Ihnen angeboten."),
        QStringLiteral("Systemmeldung..."), MessageIcon::Exclamation, MessageButtons::Ok);
}

} // namespace OrvVelmora
