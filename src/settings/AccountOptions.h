#pragma once

#include <QString>

namespace OrvVelmora {

/// The account settings beyond the sender and SMTP values: browser sign-in,
/// a certificate the user chose to trust, and an unencrypted local relay.
/// Loaded and saved with the sender settings and by the same rules (texts
/// trimmed, "DEF" removed), each under the key of the same name.
struct AccountOptions
{
    QString OAuth;            ///< "1": sign in through the browser even on an unknown server
    QString OAuthClientId;    ///< the organisation's registered application
    QString OAuthTenant;      ///< Microsoft directory; empty means "common"
    QString Zertifikat;       ///< "<server> <SHA-256 in hex>" of a certificate trusted for that server
    QString Verschluesselung; ///< "0 <server>:<port>": that server may be used without STARTTLS (never with a login)

    [[nodiscard]] bool oauthRequested() const { return OAuth == QLatin1String("1"); }
    /// The unencrypted relay applies only to the server and port it was
    /// granted for, and only to an account without a user name: a password or
    /// token never travels in the clear.
    [[nodiscard]] bool unencryptedAllowed(const QString &server, int port, const QString &user) const
    {
        return relayGranted(Verschluesselung, server, port) && user.trimmed().isEmpty();
    }
    /// The value that grants the relay for this server and port.
    static QString relayGrant(const QString &server, int port);
    static bool relayGranted(const QString &grant, const QString &server, int port);

    bool operator==(const AccountOptions &) const = default;
};

} // namespace OrvVelmora
