#pragma once

#include "journal/DeliveryBook.h"
#include "journal/RetryPlan.h"
#include "sendrun/MailingSelection.h"

#include <functional>
#include <optional>

namespace OrvVelmora {

class SendRecipients;
class SendRun;
class SendRunAccount;
class SendRunView;
class SmtpTransport;

/// The wizard's send run with its journal: it picks the mailing (asking
/// about a second run of the same texts), runs the SendRun over the rows
/// that still need the message, and afterwards shows who did not get it,
/// offering to send exactly those again.
///
/// Without a usable journal file, or before a server is set up, the run
/// goes ahead unrecorded rather than not at all.
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
        /// On: asks once, before the first message, whether to send to the
        /// recipients that will actually get it; the failure list's "send
        /// again" is not asked a second time.
        bool confirmBeforeSending = false;
        /// Called with the run while it is under way and with nullptr after it.
        std::function<void(SendRun *)> active;
        /// The account's sign-in and certificate decisions around each connect (not owned).
        SendRunAccount *account = nullptr;
    };

    JournalledSendRun(SmtpTransport &transport, SendRunView &view, SendRecipients &rows, Options options);

    /// The whole run; `continuation` is the interrupted mailing the person
    /// chose to continue when the wizard opened.
    void run(std::optional<MailingPlan> continuation);
    /// Ends the run after the current message and shows no failure list.
    void close() { m_closing = true; }

private:
    bool confirmed(const DeliveryBook &book, const QString &server) const;

    SmtpTransport &m_transport;
    SendRunView &m_view;
    SendRecipients &m_rows;
    Options m_options;
    bool m_closing = false;
};

} // namespace OrvVelmora
