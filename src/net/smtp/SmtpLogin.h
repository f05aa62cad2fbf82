#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace OrvVelmora {

/// The login mechanisms this client speaks, and what they put on the wire.
///
/// Only mechanisms implemented here are ever chosen; whatever else a server
/// offers (GSSAPI, NTLM, DIGEST-MD5, ...) is skipped, so a server that lists
/// those first is still logged into with one we can finish.
class SmtpLogin
{
public:
    SmtpLogin(const QString &user, const QString &password, const QString &oauthToken);

    /// The mechanisms to try in order, out of those the server offers.
    QList<QByteArray> candidates(const QList<QByteArray> &offered) const;
    /// The AUTH command line for a mechanism, with its initial response where it has one.
    QByteArray command(const QByteArray &mechanism) const;
    /// The answer to a 334 challenge (already base64-decoded); step counts from 0.
    QByteArray answer(const QByteArray &mechanism, const QByteArray &challenge, int step) const;
    /// The text with the password, the token and their base64 forms blanked out.
    QByteArray scrubbed(const QByteArray &text) const;

private:
    QByteArray plainResponse() const;
    QByteArray oauthResponse() const;

    QByteArray m_user;
    QByteArray m_password;
    QByteArray m_token;
};

} // namespace OrvVelmora
