#pragma once

#include <QString>

#include <optional>

namespace OrvVelmora {

class SmtpAttachmentList;
struct SmtpMessageContent;

/// One message as its sender wrote it: envelope and headers, the two bodies.
/// The attachments are the transport's list, shared by every message.
struct SmtpMessage
{
    QString fromName;
    QString fromAddress;
    QString organization;
    /// Empty: no Reply-To header.
    QString replyTo;
    QString recipient;
    QString subject;
    /// The plain text.
    QString body;
    /// The HTML form; empty sends the plain text alone.
    QString html;
    /// 1 high, 3 normal, 5 low (X-Priority and Importance). 2 counts as high,
    /// 4 as low, anything else as normal.
    qint32 priority = 3;
    /// Asks for a read receipt to the sender's address (Disposition-Notification-To).
    bool readReceipt = false;
    /// The Message-ID without angle brackets; empty: a new one for every message.
    QString messageId;

    /// What the message builder takes: addresses checked and encoded (blanks
    /// around them dropped, as customer lists often carry some), every
    /// attachment read. Nothing, and the German reason, when an address is
    /// invalid or a file cannot be read.
    std::optional<SmtpMessageContent> content(SmtpAttachmentList &attachments, QString &refusal) const;
};

} // namespace OrvVelmora
