#pragma once

#include "journal/SendJournal.h"

#include <QSet>
#include <QString>

#include <functional>
#include <optional>

namespace OrvVelmora {

/// The mailing a send run writes into, and the recipients it sends to even
/// though their last state was "unsicher" or "abgelehnt".
struct MailingPlan
{
    qint64 mailing = 0;
    QSet<QString> alsoSend;
    /// For a mailing taken up again: the fingerprint of the letter the wizard
    /// was filled with, so a change before sending can be told; empty otherwise.
    QString letterFingerprint;
};

/// What the person says to the offer to continue an interrupted mailing:
/// continue it (with the uncertain recipients ticked), be asked again next
/// time, or never again.
struct ResumeAnswer
{
    enum class Choice { Continue, Later, Never };
    Choice choice = Choice::Later;
    QSet<QString> ticked;
};

/// A mailing taken up again: the plan for its next run and, when the journal
/// kept it, what it held (subject, letter, attachments, recipients).
struct Continuation
{
    MailingPlan plan;
    std::optional<SavedMailing> content;
};

/// Decides, before a run, which mailing of the journal it belongs to, and asks
/// the person where that is not obvious:
/// - after a crash (offerToContinue, when the wizard opens): continue the
///   unfinished mailing? "unsicher" recipients are listed and sent only when
///   ticked; only an explicit "never" closes the mailing for good;
/// - when the same texts and attachments went out before (forRun): send only
///   to those who did not get it, to all again, or not at all.
/// Every question goes through PlatformServices, the list of uncertain
/// recipients through the chooser the caller passes.
class MailingSelection
{
public:
    /// Shows the offer with the uncertain recipients (possibly none) to tick.
    using ResumeChooser = std::function<ResumeAnswer(const QString &text, const QList<JournalRecipient> &uncertain)>;

    /// The continuation the person accepted, or nothing. A mailing the person
    /// will never continue is closed so that it is not offered again.
    static std::optional<Continuation> offerToContinue(SendJournal &journal, const ResumeChooser &chooser);

    /// The mailing for a run with this draft (fingerprint, subject, sender,
    /// server); nothing when the person does not want it sent.
    static std::optional<MailingPlan> forRun(SendJournal &journal, const MailingRecord &draft);
};

} // namespace OrvVelmora
