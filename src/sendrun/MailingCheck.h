#pragma once

#include "sendrun/PreflightFinding.h"
#include "sendrun/SendRunView.h"

#include <functional>

namespace OrvVelmora {

class SendRecipients;

/// A mailing as it is about to go out: its texts and attachments, the
/// recipient list, which of its rows still get the message, and the largest
/// message the server is known to take (0: not known).
struct MailingDraft
{
    QString subject;
    QString text;
    QString rtf;
    QList<SendAttachment> attachments;
    const SendRecipients *recipients = nullptr;
    QList<qint32> rows;
    qint64 serverSizeLimit = 0;
    PersonalAttachment personal;
};

/// The check before a mailing goes out: a list of rules, each adding what it
/// finds to the list of findings the confirmation shows. The standard rules
/// look for placeholders mistyped, an empty subject or letter, attachments
/// that are gone, addresses that cannot be used or come twice, fields the
/// texts use that are empty, recipients whose personal attachment is missing,
/// and a message too large; further rules (a new
/// kind of attachment, a new placeholder) are added with add().
///
/// It reads every row once and opens no attachment beyond a test that it can
/// be read, so it stays well under a second for 10,000 recipients.
class MailingCheck
{
public:
    using Rule = std::function<void(const MailingDraft &draft, QList<PreflightFinding> &findings)>;

    /// The rules every mailing is checked by.
    [[nodiscard]] static MailingCheck standard();

    void add(Rule rule) { m_rules.append(std::move(rule)); }
    [[nodiscard]] QList<PreflightFinding> run(const MailingDraft &draft) const;

    /// Messages larger than this are asked about whatever the server says.
    static constexpr qint64 kLargeMessage = 10'000'000;

private:
    QList<Rule> m_rules;
};

} // namespace OrvVelmora
