#pragma once

#include "net/smtp/SmtpLogin.h"
#include "net/smtp/SmtpReply.h"

#include <QByteArray>

namespace OrvVelmora {

/// The SMTP dialogue written to the category orv.smtp.trace at debug level,
/// for an administrator who needs to see what a server says:
///     QT_LOGGING_RULES="orv.smtp.trace.debug=true"
/// Off unless asked for. Nothing secret reaches it: the password and the
/// token (and their base64 forms) are blanked out wherever they appear, the
/// initial response of AUTH and every answer to a 334 challenge are written
/// as "***", and a message body is written as its size only, since it holds
/// the customer's letter.
class SmtpTrace
{
public:
    SmtpTrace(const QString &user, const QString &password, const QString &oauthToken);

    /// True when the category is switched on; the connection calls the rest only then.
    static bool wanted();
    /// Commands as written; several pipelined lines may come in one piece.
    void client(const QByteArray &bytes);
    void body(qint64 bytes);
    void server(const SmtpReply &reply);

private:
    QByteArray shown(const QByteArray &line) const;

    SmtpLogin m_login;
    bool m_answeringChallenge = false;
};

} // namespace OrvVelmora
