#pragma once

#include "merge/PersonalAttachment.h"
#include "sendrun/SendRunView.h"

#include <QList>
#include <QString>

namespace OrvVelmora {

class MailSettings;
class SendRunAccount;
class SmtpTransport;

/// One recipient's message as the send run would build it: the merged
/// subject, plain text and HTML, the attachments every recipient gets and
/// the recipient's own file.
struct RecipientMail
{
    QString address;
    QString subject;
    QString text;
    QString html;
    QList<SendAttachment> attachments;
    bool personalZip = false;
    /// The recipient's own file (empty: none chosen).
    QString personalPath;
    /// Why the recipient's own file is missing (empty: nothing missing).
    QString personalMissing;
    /// As the run would send it: the transport's priority (1 high … 5 low).
    qint32 priority = 3;
    bool readReceipt = false;
};

/// "Testversand an mich": a recipient's real message, subject marked
/// "[Test] ", sent to the sender's own address over the saved account
/// (sign-in token, trusted certificate, relay choice, a certificate
/// question like the send run's). It is no delivery: a transport of its
/// own, no journal, no counter. The outcome is told in one message box.
class TestMailToMe
{
public:
    /// account may be null (no saved account to ask: the transport's own defaults).
    TestMailToMe(MailSettings &settings, SendRunAccount *account);

    /// True when the server took the message.
    bool send(const RecipientMail &mail);

    static constexpr const char *kSubjectPrefix = "[Test] ";

private:
    [[nodiscard]] QString refusalBeforeSending(const RecipientMail &mail) const;
    QString sendOver(SmtpTransport &transport, const RecipientMail &mail);

    MailSettings &m_settings;
    SendRunAccount *m_account;
};

} // namespace OrvVelmora
