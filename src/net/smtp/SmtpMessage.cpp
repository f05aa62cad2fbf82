#include "net/smtp/SmtpMessage.h"

#include "net/smtp/SmtpAddress.h"
#include "net/smtp/SmtpAttachmentList.h"
#include "net/smtp/SmtpMessageBuilder.h"
#include "net/smtp/SmtpTexts.h"

namespace OrvVelmora {

std::optional<SmtpMessageContent> SmtpMessage::content(SmtpAttachmentList &attachments, QString &refusal) const
{
    const SmtpAddress to(recipient.trimmed());
    const SmtpAddress from(fromAddress.trimmed());
    const SmtpAddress answerTo(replyTo.trimmed());
    const auto refuse = [&refusal](QString (*text)(const QString &), const QString &address) {
        refusal = text(SmtpAddress::printable(address.left(200)));
        return std::nullopt;
    };
    if (!to.isValid())
        return refuse(&SmtpTexts::invalidRecipient, recipient);
    if (!from.isValid())
        return refuse(&SmtpTexts::invalidSender, fromAddress);
    if (!replyTo.isEmpty() && !answerTo.isValid())
        return refuse(&SmtpTexts::invalidReplyTo, replyTo);
    if (attachments.load(&refusal) != SmtpAttachmentList::Load::Done)
        return std::nullopt;
    SmtpMessageContent content;
    content.fromName = fromName;
    content.fromAddress = from.encoded();
    content.replyTo = replyTo.isEmpty() ? QByteArray() : answerTo.encoded();
    content.organization = organization;
    content.recipient = to.encoded();
    content.subject = subject;
    content.body = body;
    content.html = html;
    content.priority = priority;
    content.readReceipt = readReceipt;
    content.idDomain = QString::fromLatin1(content.fromAddress.mid(content.fromAddress.lastIndexOf('@') + 1));
    content.messageId = messageId;
    content.attachments = attachments.items();
    return content;
}

} // namespace OrvVelmora
