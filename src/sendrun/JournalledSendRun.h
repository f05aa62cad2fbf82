#pragma once

#include "journal/DeliveryBook.h"
#include "journal/RetryPlan.h"
#include "sendrun/MailingCheck.h"
#include "sendrun/MailingSelection.h"
#include "sendrun/SendConfirmation.h"

#include <functional>
#include <optional>

namespace OrvVelmora {

struct SavedMailing;
class SendJournal;
class SendRecipients;
class SendRun;
class SendRunAccount;
class SendRunView;
class SmtpTransport;

/// The wizard's send run with its journal: it picks the mailing (asking
/// about a second run of the same texts), checks it before the question
/// that sends it, keeps what it takes to continue it after an interruption,
/// runs the SendRun over the rows that still need the message, and
/// afterwards shows who did not get it, offering to send exactly those again.
///
/// Without a usable journal file the run goes ahead unrecorded rather than
/// not at all: who got it is then known to this run only.
class JournalledSendRun
{
public:
    struct Options
    {
        QString journalPath;
        int maxPerMinute = 0;
        RetryPlan retryPlan{};
        /// Shows the failure list; true when the person wants them sent again.
        std::function<bool(const QList<FailedRecipient> &)> showFailures;
        /// On: checks the mailing and asks once, before the first message,
        /// whether to send to the recipients that will actually get it; the
        /// failure list's "send again" is not asked a second time.
        bool confirmBeforeSending = false;
        /// Shows the question with what the check found; without findings a
        /// plain question is asked. Unset: a mailing with findings is sent
        /// only when none of them refuses it, and the plain question is asked.
        SendReviewer review;
        /// The rules the mailing is checked by.
        MailingCheck check = MailingCheck::standard();
        /// Called with the run while it is under way and with nullptr after it.
        std::function<void(SendRun *)> active;
        /// The account's sign-in and certificate decisions around each connect (not owned).
        SendRunAccount *account = nullptr;
    };

    JournalledSendRun(SmtpTransport &transport, SendRunView &view, SendRecipients &rows, Options options);

    /// The whole run; `continuation` is the interrupted mailing the person
    /// chose to continue when the wizard opened.
    void run(const std::optional<MailingPlan> &continuation);
    /// Ends the run after the current message and shows no failure list.
    void close() { m_closing = true; }

private:
    std::optional<MailingPlan> selectMailing(SendJournal &journal, const QString &server,
                                             const std::optional<MailingPlan> &continuation) const;
    std::optional<DuplicateAddresses> confirmed(DeliveryBook &book, const QString &server,
                                                const MailingPlan &plan) const;
    [[nodiscard]] QList<PreflightFinding> findings(const DeliveryBook &book, const MailingPlan &plan) const;
    [[nodiscard]] SavedMailing content() const;

    SmtpTransport &m_transport;
    SendRunView &m_view;
    SendRecipients &m_rows;
    Options m_options;
    bool m_closing = false;
};

} // namespace OrvVelmora
