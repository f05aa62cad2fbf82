#pragma once

#include <QSet>
#include <QString>

#include <functional>
#include <optional>

namespace OrvVelmora {

class SendJournal;
struct JournalRecipient;
struct MailingRecord;

/// The mailing a send run writes into, and the recipients it sends to even
/// though their last state was "unsicher" or "abgelehnt".
struct MailingPlan
{
    qint64 mailing = 0;
    QSet<QString> alsoSend;
};

/// Decides, before a run, which mailing of the journal it belongs to, and asks
/// the person where that is not obvious:
/// - after a crash (offerToContinue, when the wizard opens): continue the
///   unfinished mailing? "unsicher" recipients are listed and sent only when ticked;
/// - when the same texts and attachments went out before (forRun): send only
///   to those who did not get it, to all again, or not at all.
/// Every question goes through PlatformServices, the list of uncertain
/// recipients through the chooser the caller passes.
class MailingSelection
{
public:
    /// Shows the uncertain recipients with the offer; the keys of the ticked
    /// ones when the person continues, nothing when not.
    using UncertainChooser =
        std::function<std::optional<QSet<QString>>(const QString &text, const QList<JournalRecipient> &uncertain)>;

    /// The continuation the person accepted, or nothing. A declined mailing is
    /// closed so that it is not offered again.
    static std::optional<MailingPlan> offerToContinue(SendJournal &journal, const UncertainChooser &chooser);

    /// The mailing for a run with this draft (fingerprint, subject, sender,
    /// server); nothing when the person does not want it sent.
    static std::optional<MailingPlan> forRun(SendJournal &journal, const MailingRecord &draft);
};

} // namespace OrvVelmora
