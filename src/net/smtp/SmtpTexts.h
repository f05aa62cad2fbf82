#pragma once

#include "net/smtp/SmtpEnums.h"

#include <QString>

namespace OrvVelmora {

/// Every German text the SMTP library shows the user, in one place. Texts
/// that quote outside input (a server's name or reply, an address, a path)
/// take it as given; the caller makes it printable first where it must.
class SmtpTexts
{
public:
    /// What failed, naming the server (and for a connection that failed, the
    /// port: a mistyped port is the commonest cause) where that helps; empty
    /// for None and Local.
    static QString failure(SmtpFailure step, const QString &server, int port);
    /// The server's refusing reply, put after the failure.
    static QString serverReply(const QString &reply);

    // Why a connection ended or never began.
    static QString timedOut(const QString &server);
    static QString hungUp(const QString &server);
    static QString garbled(const QString &server);
    static QString hostNotFound();
    static QString connectionRefused();
    static QString interrupted(const QString &server);

    // Refusals found in the session before anything of the message is sent.
    static QString noLoginMechanism(const QString &offered);
    static QString sizeLimit(qint64 limit, qint64 size);
    static QString noSmtpUtf8(const QString &server, const QString &recipient);

    // Refusals found before the server hears anything.
    static QString busy();
    static QString notConnected();
    static QString noServer();
    static QString invalidServer(const QString &server);
    static QString invalidPort(qint32 port);
    static QString plainOnlyOnThisMachine();
    static QString unreadableCaFile(const QString &path);
    static QString invalidRecipient(const QString &address);
    static QString invalidSender(const QString &address);
    static QString invalidReplyTo(const QString &address);
    static QString attachmentMissing(const QString &path);
    static QString attachmentUnreadable(const QString &path);
    static QString attachmentUnpackable(const QString &path);
    static QString attachmentsChanged();
};

} // namespace OrvVelmora
