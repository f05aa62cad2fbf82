#include "sendrun/JournalledSendRun.h"

#include "base/platform/PlatformServices.h"
#include "journal/SendJournal.h"
#include "net/smtp/SmtpTransport.h"
#include "sendrun/MailingFingerprint.h"
#include "sendrun/SendRecipients.h"
#include "sendrun/SendRun.h"
#include "sendrun/SendRunJournal.h"
#include "sendrun/SendRunLog.h"
#include "sendrun/SendRunView.h"

#include <utility>

namespace OrvVelmora {

JournalledSendRun::JournalledSendRun(SmtpTransport &transport, SendRunView &view, SendRecipients &rows, Options options)
    : m_transport(transport)
    , m_view(view)
    , m_rows(rows)
    , m_options(std::move(options))
{
}

void JournalledSendRun::run(std::optional<MailingPlan> continuation)
{
    SendRun run(m_transport, m_view, m_rows);
    run.setAccount(m_options.account);
    const auto activate = [this](SendRun *active) {
        if (m_options.active)
            m_options.active(active);
    };
    const SenderSettings settings = m_view.senderSettings();
    SendJournal journal(m_options.journalPath.isEmpty() ? SendJournal::defaultPath() : m_options.journalPath);
    if (!journal.isOpen() && continuation) {
        // Without the journal nobody can tell who already has the message.
        PlatformServices::instance().messageBox(
            QStringLiteral("Das Versandjournal kann nicht geöffnet werden:\r\n%1\r\n\r\nDer unterbrochene Versand "
                           "wird nicht fortgesetzt, damit niemand die e-Mail doppelt erhält.")
                .arg(journal.path()),
            QStringLiteral("Systemmeldung..."), MessageIcon::Stop, MessageButtons::Ok);
        return;
    }
    if (!journal.isOpen() || settings.SmtpServer.isEmpty()) {
        qCWarning(lcSendRun) << "sending without the delivery journal";
        run.setConfirmBeforeSending(m_options.confirmBeforeSending);
        activate(&run);
        run.run();
        activate(nullptr);
        return;
    }
    journal.prune(QDateTime::currentDateTimeUtc());
    std::optional<MailingPlan> plan = continuation;
    if (!plan) {
        const MailingRecord draft{
            0,
            {},
            m_view.subject(),
            settings.SenderAddress,
            settings.SmtpServer,
            MailingFingerprint::of(m_view.subject(), m_view.messageText(), m_view.messageRtf(), m_view.attachments())};
        plan = MailingSelection::forRun(journal, draft);
    }
    bool confirm = m_options.confirmBeforeSending;
    while (plan && !m_closing) {
        journal.setFinished(plan->mailing, false);
        DeliveryBook book(journal, plan->mailing, plan->alsoSend);
        book.load(m_rows, m_rows.rowCount());
        if (std::exchange(confirm, false) && !confirmed(book, settings.SmtpServer)) {
            // Nothing went out; a declined mailing is not offered for continuing later.
            journal.setFinished(plan->mailing, true);
            return;
        }
        SendRunJournal steps(book, m_transport, m_view);
        steps.setRetryPlan(m_options.retryPlan);
        steps.setMaxPerMinute(m_options.maxPerMinute);
        run.setJournal(&steps);
        activate(&run);
        run.run();
        activate(nullptr);
        run.setJournal(nullptr);
        const QList<FailedRecipient> failures = book.failures();
        if (m_closing || failures.isEmpty() || !m_options.showFailures || !m_options.showFailures(failures))
            return;
        QSet<QString> keys;
        for (const FailedRecipient &f : failures)
            keys.insert(DeliveryBook::keyOf(f.kundenNr, f.address));
        plan = MailingPlan{plan->mailing, keys};
    }
}

// Counts only those the book still wants, so that a second run "only to
// those who did not get it" names the real number.
bool JournalledSendRun::confirmed(const DeliveryBook &book, const QString &server) const
{
    qint32 count = 0;
    for (qint32 row = 1; row <= m_rows.rowCount(); ++row)
        count += book.wanted(row) ? 1 : 0;
    return count == 0 || SendRun::confirmSending(count, server);
}

} // namespace OrvVelmora
