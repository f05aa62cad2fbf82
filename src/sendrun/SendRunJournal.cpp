#include "sendrun/SendRunJournal.h"

#include "base/platform/PlatformServices.h"
#include "journal/RunPause.h"
#include "journal/SendJournal.h"
#include "net/smtp/SmtpTransport.h"
#include "sendrun/SendRunView.h"

#include <utility>

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
                                QStringLiteral("Warte %1 s (höchstens %2 e-Mails pro Minute)...")
                                    .arg(seconds)
                                    .arg(m_throttle.perMinute()));
        });
    m_view.setLabelText(SendLabel::lblStatus, before);
}

bool SendRunJournal::beforeSend(qint32 row, const bool &stopRequested)
{
    // An envelope that went ahead was counted when it went.
    const bool ahead = std::exchange(m_announcedRow, 0) == row;
    bool stopped = false;
    if (!ahead)
        waitForRate(stopRequested, stopped);
    if (stopped)
        return false;
    m_transport.setMessageId(m_book.messageId(row));
    m_book.beginSend(row);
    if (!ahead)
        m_throttle.sent(m_clock.elapsed());
    return true;
}

bool SendRunJournal::mayAnnounce() const
{
    return m_throttle.waitMs(m_clock.elapsed()) <= 0;
}

void SendRunJournal::announced(qint32 nextRow)
{
    // Taken now, after Send() returned: no earlier than the MAIL really left.
    m_throttle.sent(m_clock.elapsed());
    m_announcedRow = nextRow;
}

QString SendRunJournal::serverKey() const
{
    const SenderSettings settings = m_view.senderSettings();
    return settings.SmtpServer.trimmed().toLower() + QLatin1Char(':') + QString::number(settings.SmtpPort);
}

bool SendRunJournal::announcesAhead() const
{
    return m_book.journal().announcesAhead(serverKey(), QDateTime::currentDateTimeUtc());
}

void SendRunJournal::noteAnnouncedEndLost()
{
    m_book.journal().setAnnouncesAhead(serverKey(), false, QDateTime::currentDateTimeUtc());
}

bool SendRunJournal::pauseForServer(int round, const bool &stopRequested)
{
    if (round > m_retry.rounds() || stopRequested)
        return false;
    m_book.flush();
    const QString server = m_view.senderSettings().SmtpServer;
    return RunPause::wait(
        m_retry.waitBefore(round), [&] { return stopRequested; },
        [&](int seconds) {
            m_view.setLabelText(SendLabel::lblStatus,
                                QStringLiteral("Der e-Mail-Server „%1“ nimmt vorerst keine e-Mails an: neuer Versuch "
                                               "in %2 s (Runde %3 von %4)...")
                                    .arg(server)
                                    .arg(seconds)
                                    .arg(round)
                                    .arg(m_retry.rounds()));
        });
}

void SendRunJournal::holdForLater(qint32 row, int code, const QString &text)
{
    m_book.holdForLater(row, code, text);
    m_roundsSpent = true;
}

bool SendRunJournal::afterSend(qint32 row, qint32 result)
{
    const int code = result < 0 ? m_transport.LastReplyCode() : 0;
    const QString text = result < 0 ? m_transport.LastReplyText() : QString();
    const ReplyKind kind =
        m_book.endSend(row, result, code ? code : replyCode(result), text.isEmpty() ? m_transport.LastError() : text);
    if (kind == ReplyKind::Limit) {
        m_limitReply = text.isEmpty() ? m_transport.LastError() : text;
        return false;
    }
    return kind != ReplyKind::Temporary;
}

QList<qint32> SendRunJournal::nextRound(int round, const bool &stopRequested)
{
    const QList<qint32> rows = m_book.temporaryRows();
    if (paused() || m_roundsSpent || round > m_retry.rounds() || rows.isEmpty() || stopRequested)
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
                QStringLiteral("%1 vorübergehend abgelehnte e-Mails: neuer Versuch in %2 s (Runde %3 von %4)...")
                    .arg(rows.size())
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

void SendRunJournal::finish()
{
    m_book.closeIfDone();
    if (!paused())
        return;
    qsizetype open = 0;
    for (const FailedRecipient &failed : m_book.failures())
        open += failed.reason.startsWith(QStringLiteral("zurückgestellt")) ||
            failed.reason == QLatin1String("nicht gesendet");
    PlatformServices::instance().messageBox(
        QStringLiteral("Der e-Mail Server begrenzt den Versand und hat ihn vorerst angehalten:\r\n%1\r\n\r\n"
                       "%2 Empfänger haben die e-Mail noch nicht erhalten. Der Versand kann später fortgesetzt werden; "
                       "beim nächsten Öffnen des Assistenten wird er Ihnen angeboten.")
            .arg(m_limitReply)
            .arg(open),
        QStringLiteral("Systemmeldung..."), MessageIcon::Exclamation, MessageButtons::Ok);
}

} // namespace OrvVelmora
