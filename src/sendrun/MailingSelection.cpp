#include "sendrun/MailingSelection.h"

#include "base/platform/CountedText.h"
#include "base/platform/PlatformServices.h"
#include "journal/DeliveryBook.h"
#include "journal/SendJournal.h"

#include <QLocale>

namespace OrvVelmora {

namespace {

const QString kCaption = QStringLiteral("Systemmeldung...");

struct Tally
{
    int sent = 0;
    int waiting = 0;
    QList<JournalRecipient> uncertain;
};

Tally tally(const QList<JournalRecipient> &recipients)
{
    Tally t;
    for (const JournalRecipient &r : recipients) {
        if (r.state == RecipientState::Sent)
            ++t.sent;
        else if (sentOnContinue(r.state))
            ++t.waiting;
        else if (r.state == RecipientState::Uncertain || r.state == RecipientState::Sending)
            t.uncertain.append(r);
    }
    return t;
}

QString describe(const MailingRecord &mailing)
{
    return QStringLiteral("„%1“ vom %2")
        .arg(mailing.subject,
             QLocale(QLocale::German).toString(mailing.started.toLocalTime(), QStringLiteral("dd.MM.yyyy HH:mm")));
}

} // namespace

std::optional<Continuation> MailingSelection::offerToContinue(SendJournal &journal, const ResumeChooser &chooser)
{
    const std::optional<MailingRecord> mailing = journal.unfinishedMailing();
    if (!mailing)
        return std::nullopt;
    const Tally t = tally(journal.recipients(mailing->id));
    const std::optional<SavedMailing> content = journal.savedContent(mailing->id);
    QString text = countedText(t.sent,
                               QStringLiteral("Der Versand %1 wurde nicht abgeschlossen: %n Empfänger hat die e-Mail "
                                              "erhalten, %2 noch nicht."),
                               QStringLiteral("Der Versand %1 wurde nicht abgeschlossen: %n Empfänger haben die e-Mail "
                                              "erhalten, %2 noch nicht."))
                       .arg(describe(*mailing))
                       .arg(t.waiting);
    if (!t.uncertain.isEmpty())
        text += countedText(t.uncertain.size(),
                            QStringLiteral("\r\n\r\nBei %n Empfänger ist unsicher, ob die e-Mail angekommen ist; er "
                                           "erhält sie nur, wenn Sie ihn unten ankreuzen."),
                            QStringLiteral("\r\n\r\nBei %n Empfängern ist unsicher, ob die e-Mail angekommen ist; sie "
                                           "erhalten sie nur, wenn Sie sie unten ankreuzen."));
    text += content ? QStringLiteral("\r\n\r\nMöchten Sie den Versand fortsetzen? Der Assistent übernimmt dazu "
                                     "Empfänger, Betreff, Text und Anlagen dieses Versands; wer die e-Mail schon "
                                     "erhalten hat, bekommt sie nicht noch einmal.")
                    : QStringLiteral("\r\n\r\nMöchten Sie den Versand fortsetzen? Wählen Sie dazu Empfänger und "
                                     "Nachricht wie beim ersten Mal; wer die e-Mail schon erhalten hat, bekommt sie "
                                     "nicht noch einmal.");
    const ResumeAnswer answer = chooser(text, t.uncertain);
    if (answer.choice == ResumeAnswer::Choice::Never)
        journal.setFinished(mailing->id, true);
    if (answer.choice != ResumeAnswer::Choice::Continue)
        return std::nullopt;
    return Continuation{MailingPlan{mailing->id, answer.ticked, {}}, content};
}

std::optional<MailingPlan> MailingSelection::forRun(SendJournal &journal, const MailingRecord &draft)
{
    const std::optional<MailingRecord> earlier = journal.latestMailing(draft.fingerprint);
    const int sent = earlier ? tally(journal.recipients(earlier->id)).sent : 0;
    if (!earlier)
        return MailingPlan{journal.startMailing(draft), {}, {}};
    if (sent == 0) {
        journal.setFinished(earlier->id, false);
        return MailingPlan{earlier->id, {}, {}};
    }
    const MessageAnswer answer = PlatformServices::instance().askActions(
        countedText(sent,
                    QStringLiteral("Diese e-Mail wurde bereits versandt (%1); %n Empfänger hat sie erhalten.\r\n\r\n"
                                   "An wen soll sie jetzt gehen?"),
                    QStringLiteral("Diese e-Mail wurde bereits versandt (%1); %n Empfänger haben sie erhalten.\r\n\r\n"
                                   "An wen soll sie jetzt gehen?"))
            .arg(describe(*earlier)),
        kCaption,
        {QStringLiteral("Nur an die übrigen Empfänger"), QStringLiteral("Noch einmal an alle"),
         QStringLiteral("Nicht senden")},
        std::nullopt);
    if (answer == MessageAnswer::Yes) {
        journal.setFinished(earlier->id, false);
        return MailingPlan{earlier->id, {}, {}};
    }
    if (answer == MessageAnswer::No)
        return MailingPlan{journal.startMailing(draft), {}, {}};
    return std::nullopt;
}

} // namespace OrvVelmora
