#include "sendrun/MailingSelection.h"

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

std::optional<MailingPlan> MailingSelection::offerToContinue(SendJournal &journal, const UncertainChooser &chooser)
{
    const std::optional<MailingRecord> mailing = journal.unfinishedMailing();
    if (!mailing)
        return std::nullopt;
    const Tally t = tally(journal.recipients(mailing->id));
    QString text = QStringLiteral("Der Versand %1 wurde nicht abgeschlossen: %2 Empfänger haben die e-Mail erhalten, "
                                  "%3 noch nicht.")
                       .arg(describe(*mailing))
                       .arg(t.sent)
                       .arg(t.waiting);
    if (!t.uncertain.isEmpty())
        text += QStringLiteral("\r\n\r\nBei %1 Empfängern ist unsicher, ob die e-Mail angekommen ist; sie erhalten "
                               "sie nur, wenn Sie sie unten ankreuzen.")
                    .arg(t.uncertain.size());
    text += QStringLiteral("\r\n\r\nMöchten Sie den Versand fortsetzen? Wählen Sie dazu Empfänger und Nachricht wie "
                           "beim ersten Mal; wer die e-Mail schon erhalten hat, bekommt sie nicht noch einmal.");
    std::optional<QSet<QString>> ticked;
    if (t.uncertain.isEmpty()) {
        if (PlatformServices::instance().messageBox(text, kCaption, MessageIcon::Question, MessageButtons::YesNo) ==
            MessageAnswer::Yes)
            ticked = QSet<QString>{};
    } else {
        ticked = chooser(text, t.uncertain);
    }
    if (!ticked) {
        journal.setFinished(mailing->id, true);
        return std::nullopt;
    }
    return MailingPlan{mailing->id, *ticked};
}

std::optional<MailingPlan> MailingSelection::forRun(SendJournal &journal, const MailingRecord &draft)
{
    const std::optional<MailingRecord> earlier = journal.latestMailing(draft.fingerprint);
    const int sent = earlier ? tally(journal.recipients(earlier->id)).sent : 0;
    if (!earlier)
        return MailingPlan{journal.startMailing(draft), {}};
    if (sent == 0) {
        journal.setFinished(earlier->id, false);
        return MailingPlan{earlier->id, {}};
    }
    const MessageAnswer answer = PlatformServices::instance().messageBox(
        QStringLiteral("Diese e-Mail wurde bereits versandt (%1), %2 Empfänger haben sie erhalten.\r\n\r\n"
                       "Ja: nur an die Empfänger senden, die sie noch nicht erhalten haben.\r\n"
                       "Nein: noch einmal an alle Empfänger senden.\r\n"
                       "Abbrechen: nicht senden.")
            .arg(describe(*earlier))
            .arg(sent),
        kCaption, MessageIcon::Question, MessageButtons::YesNoCancel);
    if (answer == MessageAnswer::Yes) {
        journal.setFinished(earlier->id, false);
        return MailingPlan{earlier->id, {}};
    }
    if (answer == MessageAnswer::No)
        return MailingPlan{journal.startMailing(draft), {}};
    return std::nullopt;
}

} // namespace OrvVelmora
