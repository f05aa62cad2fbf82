#include "net/smtp/SmtpLogin.h"

#include <QMessageAuthenticationCode>

namespace OrvVelmora {

SmtpLogin::SmtpLogin(const QString &user, const QString &password, const QString &oauthToken)
    : m_user(user.toUtf8())
    , m_password(password.toUtf8())
    , m_token(oauthToken.toUtf8())
{
}

QList<QByteArray> SmtpLogin::candidates(const QList<QByteArray> &offered) const
{
    // A token means the account logs in with OAuth only; a password would be
    // the wrong secret, so nothing else is tried.
    const QList<QByteArray> ours =
        m_token.isEmpty() ? QList<QByteArray>{"CRAM-MD5", "PLAIN", "LOGIN"} : QList<QByteArray>{"XOAUTH2"};
    QList<QByteArray> chosen;
    for (const QByteArray &mechanism : ours) {
        if (offered.contains(mechanism))
            chosen.append(mechanism);
    }
    return chosen;
}

QByteArray SmtpLogin::plainResponse() const
{
    return ('\0' + m_user + '\0' + m_password).toBase64();
}

QByteArray SmtpLogin::oauthResponse() const
{
    return ("user=" + m_user +
            "\x01"
            "auth=Bearer " +
            m_token + "\x01\x01")
        .toBase64();
}

QByteArray SmtpLogin::command(const QByteArray &mechanism) const
{
    if (mechanism == "PLAIN")
        return "AUTH PLAIN " + plainResponse() + "\r\n";
    if (mechanism == "XOAUTH2")
        return "AUTH XOAUTH2 " + oauthResponse() + "\r\n";
    return "AUTH " + mechanism + "\r\n";
}

QByteArray SmtpLogin::answer(const QByteArray &mechanism, const QByteArray &challenge, int step) const
{
    if (mechanism == "LOGIN")
        return (step == 0 ? m_user : m_password).toBase64() + "\r\n";
    if (mechanism == "CRAM-MD5") {
        const QByteArray digest =
            QMessageAuthenticationCode::hash(challenge, m_password, QCryptographicHash::Md5).toHex();
        return (m_user + ' ' + digest).toBase64() + "\r\n";
    }
    // XOAUTH2 answers a failed token with a 334 carrying details; the empty
    // line asks for the final refusal. PLAIN never gets a challenge.
    return "\r\n";
}

QByteArray SmtpLogin::scrubbed(const QByteArray &text) const
{
    QByteArray clean = text;
    for (const QByteArray &secret : {m_password, m_token}) {
        if (secret.isEmpty())
            continue;
        for (const QByteArray &form : {secret, secret.toBase64(), plainResponse(), oauthResponse()})
            clean.replace(form, "***");
    }
    return clean;
}

} // namespace OrvVelmora
