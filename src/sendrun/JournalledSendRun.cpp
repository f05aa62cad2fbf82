#include "sendrun/JournalledSendRun.h"

#include "base/platform/CountedText.h"
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

void JournalledSendRun::run(const std::optional<MailingPlan> &continuation)
{
    if (!SendRun::accountReady(m_view))
        return;
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
    if (!journal.isOpen())
        qCWarning(lcSendRun) << "sending without the delivery journal";
    journal.prune(QDateTime::currentDateTimeUtc());
    std::optional<MailingPlan> plan = selectMailing(journal, settings.SmtpServer, continuation);
    SendRun run(m_transport, m_view, m_rows);
    run.setAccount(m_options.account);
    bool confirm = m_options.confirmBeforeSending;
    DuplicateAddresses duplicates = DuplicateAddresses::SendOnce;
    while (plan && !m_closing) {
        journal.setFinished(plan->mailing, false);
        DeliveryBook book(journal, plan->mailing, plan->alsoSend);
        book.load(m_rows, m_rows.rowCount(), duplicates);
        if (std::exchange(confirm, false)) {
            const std::optional<DuplicateAddresses> answer = confirmed(book, settings.SmtpServer, *plan);
            if (!answer) {
                // Nothing went out; a declined new mailing is not offered for
                // continuing later, an interrupted one still is.
                journal.setFinished(plan->mailing, !continuation);
                return;
            }
            if (std::exchange(duplicates, *answer) != *answer)
                book.load(m_rows, m_rows.rowCount(), duplicates);
        }
        journal.saveContent(plan->mailing, content());
        SendRunJournal steps(book, m_transport, m_view);
        steps.setRetryPlan(m_options.retryPlan);
        steps.setMaxPerMinute(m_options.maxPerMinute);
        run.setJournal(&steps);
        if (m_options.active)
            m_options.active(&run);
        run.run();
        if (m_options.active)
            m_options.active(nullptr);
        run.setJournal(nullptr);
        const QList<FailedRecipient> failures = book.failures();
        if (m_closing || failures.isEmpty() || !m_options.showFailures || !m_options.showFailures(failures))
            return;
        QSet<QString> keys;
        for (const FailedRecipient &f : failures)
            keys.insert(DeliveryBook::keyOf(f.kundenNr, f.address));
        plan = MailingPlan{plan->mailing, keys, {}};
    }
}

std::optional<MailingPlan> JournalledSendRun::selectMailing(SendJournal &journal, const QString &server,
                                                            const std::optional<MailingPlan> &continuation) const
{
    if (continuation)
        return continuation;
    const MailingRecord draft{0,
                              {},
                              m_view.subject(),
                              m_view.senderSettings().SenderAddress,
                              server,
                              MailingFingerprint::of(m_view.subject(), m_view.messageText(), m_view.messageRtf(),
                                                     m_view.attachments(), m_view.personalAttachment())};
    return MailingSelection::forRun(journal, draft);
}

// Counts only those the book still wants, so that a second run "only to
// those who did not get it" names the real number. The findings come with
// the question; a mailing whose check refuses it is not asked about at all.
std::optional<DuplicateAddresses> JournalledSendRun::confirmed(DeliveryBook &book, const QString &server,
                                                               const MailingPlan &plan) const
{
    const qint32 count = book.wantedCount();
    const SendConfirmation question{count, count + book.wantedDuplicates(), server, findings(book, plan)};
    if (question.findings.isEmpty())
        return count == 0 || SendRun::confirmSending(count, server) ? std::optional(DuplicateAddresses::SendOnce)
                                                                    : std::nullopt;
    if (m_options.review)
        return m_options.review(question);
    if (question.refused()) {
        qCWarning(lcSendRun) << "the mailing's check refuses it:" << question.findings.constFirst().text;
        return std::nullopt;
    }
    return SendRun::confirmSending(count, server) ? std::optional(DuplicateAddresses::SendOnce) : std::nullopt;
}

QList<PreflightFinding> JournalledSendRun::findings(const DeliveryBook &book, const MailingPlan &plan) const
{
    MailingDraft draft{m_view.subject(),
                       m_view.messageText(),
                       m_view.messageRtf(),
                       m_view.attachments(),
                       &m_rows,
                       {},
                       m_transport.ServerSizeLimit(m_view.senderSettings().SmtpServer),
                       m_view.personalAttachment()};
    for (qint32 row = 1; row <= m_rows.rowCount(); ++row)
        if (book.standing(row) != Standing::Sent)
            draft.rows.append(row);
    QList<PreflightFinding> found = m_options.check.run(draft);
    const QString fingerprint =
        MailingFingerprint::of(draft.subject, draft.text, draft.rtf, draft.attachments, draft.personal);
    if (!plan.letterFingerprint.isEmpty() && plan.letterFingerprint != fingerprint)
        found.append({FindingKind::ChangedLetter,
                      countedText(book.wantedCount(),
                                  QStringLiteral("Betreff, Text oder Anlagen wurden seit der Unterbrechung geändert: "
                                                 "der übrige Empfänger erhält die geänderte Fassung, wer die e-Mail "
                                                 "schon erhalten hat, die frühere."),
                                  QStringLiteral("Betreff, Text oder Anlagen wurden seit der Unterbrechung geändert: "
                                                 "die übrigen %n Empfänger erhalten die geänderte Fassung, wer die "
                                                 "e-Mail schon erhalten hat, die frühere.")),
                      {}});
    return found;
}

SavedMailing JournalledSendRun::content() const
{
    SavedMailing saved{
        m_view.subject(),           m_view.messageRtf(), m_view.priorityIndex(), m_view.readReceiptChecked(), {}, {},
        m_view.personalAttachment()};
    for (const SendAttachment &attachment : m_view.attachments())
        saved.attachments.append({attachment.fileName, attachment.zip});
    for (qint32 row = 1; row <= m_rows.rowCount(); ++row)
        saved.recipients.append(m_rows.record(row));
    return saved;
}

} // namespace OrvVelmora
