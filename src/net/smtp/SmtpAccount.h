#pragma once

#include "net/smtp/SmtpEnums.h"

#include <QByteArray>
#include <QList>
#include <QSslError>
#include <QString>

namespace OrvVelmora {

/// The account a session is opened with: where the server is, how much
/// encryption it must offer, who logs in and which certificates are trusted.
struct SmtpAccount
{
    QString server;
    /// 0 or a negative port means the SMTP default port 25.
    qint32 port = 0;
    SmtpTlsMode tls = SmtpTlsMode::Required;
    /// Empty: no login.
    QString user;
    QString password;
    /// Non-empty: XOAUTH2 with this token instead of the password.
    QString accessToken;
    /// A PEM file with further trusted CA certificates, besides the system's trust store.
    QString caFile;
    /// Raw SHA-256 of a certificate the user chose to trust for this server
    /// although the trust store does not; empty: none.
    QByteArray trustedCertificate;
    /// The handshake errors that certificate had when the user trusted it;
    /// any other error still fails the handshake.
    QList<QSslError::SslError> trustedErrors;
};

/// How a session behaves, whatever the account.
struct SmtpSessionOptions
{
    /// The host name announced in EHLO; empty means this machine's host name.
    QString heloName;
    /// Seconds for reaching the server and completing its greeting.
    int connectTimeout = 10;
    /// Seconds the server may stay silent during the dialogue.
    int timeout = 60;
    /// A server on this machine may go without TLS and see a login in the
    /// clear (a local relay); off, it is held to the account's rules like any other.
    bool thisMachineExempt = true;
};

} // namespace OrvVelmora
