#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QString>

namespace OrvVelmora {

/// A certificate the user chose to trust: for one server and port, the
/// certificate's SHA-256 and the complaints the handshake had about it when the
/// user looked at it. It vouches for exactly that: the same certificate with a
/// new complaint (it has since expired, or now answers for another host name)
/// or another certificate is asked about again.
///
/// Only three complaints can be trusted away, because only they describe a
/// server with a certificate of its own: self-signed, issuer unknown here, and
/// a host name it was not made for. An expired, not yet valid or revoked
/// certificate, or one with a broken signature, is never accepted.
///
/// In the settings file: "mail.buero.lan:587 3f2a… self-signed,issuer". Values
/// written before ports and complaints were kept ("mail.buero.lan 3f2a…")
/// still count, for that server on any port, with the three trustable
/// complaints, which is what they meant then.
class TrustedCertificate
{
public:
    enum Complaint : unsigned { SelfSigned = 1, UnknownIssuer = 2, HostName = 4 };
    static constexpr unsigned kAllTrustable = SelfSigned | UnknownIssuer | HostName;

    TrustedCertificate() = default;
    /// What the user saw: the server and port asked, the certificate and the
    /// handshake's complaints. Invalid when a complaint cannot be trusted away.
    static TrustedCertificate granted(const QString &server, int port, const QSslCertificate &certificate,
                                      const QList<QSslError> &errors);
    /// The value of the settings file, or an invalid one when it cannot be read.
    static TrustedCertificate fromSetting(const QString &settingText);

    [[nodiscard]] bool isValid() const { return m_sha256.size() == kSha256Bytes; }
    [[nodiscard]] QString settingText() const;
    [[nodiscard]] bool appliesTo(const QString &server, int port) const;
    [[nodiscard]] QByteArray sha256() const { return m_sha256; }
    /// The handshake errors this pin answers for, for the transport's check.
    [[nodiscard]] QList<QSslError::SslError> acceptedErrors() const;

    /// The complaint an error belongs to, or 0 when no pin may accept it.
    static unsigned complaintOf(QSslError::SslError error);
    /// Why the certificate is not trusted, in German, one reason per complaint.
    static QStringList reasons(const QList<QSslError> &errors);
    /// "3F:2A:…" for people to compare with what their administrator says.
    static QString displayed(const QByteArray &sha256);

private:
    static constexpr qsizetype kSha256Bytes = 32;

    QString m_server;
    int m_port = 0; ///< 0: any port (a value from before ports were kept)
    QByteArray m_sha256;
    unsigned m_complaints = 0;
};

} // namespace OrvVelmora
