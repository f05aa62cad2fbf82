#pragma once

#include <QByteArray>
#include <QString>

namespace OrvVelmora {

/// A certificate exception as the settings file keeps it: the server it was
/// granted for and the certificate's SHA-256, "mail.buero.lan 3f2a…". It
/// applies to that server only, so that changing the server drops it.
class TrustedCertificate
{
public:
    static QString settingText(const QString &server, const QByteArray &sha256);
    /// The raw SHA-256 trusted for this server, or empty (none, another
    /// server's, or not readable).
    static QByteArray fingerprintFor(const QString &settingText, const QString &server);
    /// "3F:2A:…" for people to compare with what their administrator says.
    static QString displayed(const QByteArray &sha256);
};

} // namespace OrvVelmora
