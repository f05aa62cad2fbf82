#include "sendrun/SendRunJournal.h"

#include "base/platform/CountedText.h"
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
                                countedText(m_throttle.perMinute(),
                                            QStringLiteral("Warte %1 s (höchstens %n e-Mail pro Minute)..."),
                                            QStringLiteral("Warte %1 s (höchstens %n e-Mails pro Minute)..."))
                                    .arg(seconds));
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

bool SendRunJournal::pauseForServer(int round, qint32 waiting, const bool &stopRequested)
{
    if (round > m_retry.rounds() || stopRequested)
        return false;
    m_book.flush();
    const QString server = m_view.senderSettings().SmtpServer;
    return RunPause::wait(
        m_retry.waitBefore(round), [&] { return stopRequested; },
        [&](int seconds) {
            m_view.setLabelText(
                SendLabel::lblStatus,
                countedText(waiting,
                            QStringLiteral("Der e-Mail-Server „%1“ nimmt vorerst keine e-Mails an; %n Empfänger "
                                           "wartet: neuer Versuch in %2 s (Runde %3 von %4)..."),
                            QStringLiteral("Der e-Mail-Server „%1“ nimmt vorerst keine e-Mails an; %n Empfänger "
                                           "warten: neuer Versuch in %2 s (Runde %3 von %4)..."))
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
    // Uncertain copies may have arrived: they are named apart, as on the pane.
    const qint32 missing = counts.notSent + counts.open();
    QString text =
        QStringLiteral("Der e-Mail-Server begrenzt den Versand und hat ihn vorerst angehalten:\r\n%1\r\n\r\n")
            .arg(m_limitReply) +
        countedText(missing, QStringLiteral("%n Empfänger hat die e-Mail noch nicht erhalten."),
                    QStringLiteral("%n Empfänger haben die e-Mail noch nicht erhalten."));
    if (counts.uncertain > 0)
        text += countedText(counts.uncertain, QStringLiteral(" Bei %n Empfänger ist die Zustellung unsicher."),
                            QStringLiteral(" Bei %n Empfängern ist die Zustellung unsicher."));
    text += QStringLiteral(" Der Versand kann später fortgesetzt werden; beim nächsten Öffnen des Assistenten wird er "
                           "Ihnen angeboten.");
    PlatformServices::instance().messageBox(text, QStringLiteral("Systemmeldung..."), MessageIcon::Exclamation,
                                            MessageButtons::Ok);
}

} // namespace OrvVelmora
