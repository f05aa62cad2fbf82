#include "sendrun/MailingSelection.h"

#include "base/platform/PlatformServices.h"
#include "journal/DeliveryBook.h"
#include "journal/SendJournal.h"
#include "sendrun/GermanCount.h"

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
    QString text = QStringLiteral("Der Versand %1 wurde nicht abgeschlossen: %2 die e-Mail erhalten, %3 noch nicht.")
                       .arg(describe(*mailing), GermanCount::recipientsHave(t.sent))
                       .arg(t.waiting);
    if (t.uncertain.size() == 1)
        text += QStringLiteral("\r\n\r\nBei 1 Empfänger ist unsicher, ob die e-Mail angekommen ist; er erhält sie "
                               "nur, wenn Sie ihn unten ankreuzen.");
    else if (!t.uncertain.isEmpty())
        text += QStringLiteral("\r\n\r\nBei %1 Empfängern ist unsicher, ob die e-Mail angekommen ist; sie erhalten "
                               "sie nur, wenn Sie sie unten ankreuzen.")
                    .arg(t.uncertain.size());
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
    const MessageAnswer answer = PlatformServices::instance().messageBox(
        QStringLiteral("Diese e-Mail wurde bereits versandt (%1), %2 sie erhalten.\r\n\r\n"
                       "Ja: nur an die Empfänger senden, die sie noch nicht erhalten haben.\r\n"
                       "Nein: noch einmal an alle Empfänger senden.\r\n"
                       "Abbrechen: nicht senden.")
            .arg(describe(*earlier), GermanCount::recipientsHave(sent)),
        kCaption, MessageIcon::Question, MessageButtons::YesNoCancel);
    if (answer == MessageAnswer::Yes) {
        journal.setFinished(earlier->id, false);
        return MailingPlan{earlier->id, {}, {}};
    }
    if (answer == MessageAnswer::No)
        return MailingPlan{journal.startMailing(draft), {}, {}};
    return std::nullopt;
}

} // namespace OrvVelmora
