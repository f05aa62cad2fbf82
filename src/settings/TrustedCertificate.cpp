#include "settings/TrustedCertificate.h"

#include <QCryptographicHash>
#include <QStringList>

#include <array>
#include <utility>

namespace OrvVelmora {

namespace {

struct ComplaintName
{
    unsigned complaint;
    const char *name;
};

constexpr std::array<ComplaintName, 3> kNames{{{TrustedCertificate::SelfSigned, "self-signed"},
                                               {TrustedCertificate::UnknownIssuer, "issuer"},
                                               {TrustedCertificate::HostName, "host"}}};

// A transport given no port speaks to port 25.
int effectivePort(int port)
{
    return port > 0 ? port : 25;
}

QString normalisedServer(const QString &server)
{
    return server.trimmed().toLower();
}

// "mail.buero.lan:587" gives the server and 587; a value without a port gives 0.
std::pair<QString, int> serverAndPort(const QString &text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    bool numeric = false;
    const int port = colon > 0 ? text.mid(colon + 1).toInt(&numeric) : 0;
    if (!numeric || port <= 0 || text.left(colon).contains(QLatin1Char(':')))
        return {text, 0};
    return {text.left(colon), port};
}

unsigned complaintsFrom(const QString &list)
{
    unsigned complaints = 0;
    for (const QString &name : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        for (const ComplaintName &known : kNames) {
            if (name == QLatin1String(known.name))
                complaints |= known.complaint;
        }
    }
    return complaints;
}

QString reasonFor(QSslError::SslError error)
{
    switch (error) {
    case QSslError::CertificateExpired: return QStringLiteral("Das Zertifikat ist abgelaufen.");
    case QSslError::CertificateNotYetValid: return QStringLiteral("Das Zertifikat ist noch nicht gültig.");
    case QSslError::CertificateRevoked: return QStringLiteral("Das Zertifikat wurde widerrufen.");
    default: break;
    }
    switch (TrustedCertificate::complaintOf(error)) {
    case TrustedCertificate::SelfSigned: return QStringLiteral("Der Server hat das Zertifikat selbst ausgestellt.");
    case TrustedCertificate::UnknownIssuer:
        return QStringLiteral("Der Aussteller des Zertifikats ist auf diesem Rechner nicht bekannt.");
    case TrustedCertificate::HostName:
        return QStringLiteral("Das Zertifikat ist nicht für diesen Servernamen ausgestellt.");
    default: return QStringLiteral("Das Zertifikat lässt sich nicht prüfen (Fehler %1).").arg(int(error));
    }
}

} // namespace

TrustedCertificate TrustedCertificate::granted(const QString &server, int port, const QSslCertificate &certificate,
                                               const QList<QSslError> &errors)
{
    TrustedCertificate pin;
    for (const QSslError &error : errors) {
        const unsigned complaint = complaintOf(error.error());
        if (complaint == 0)
            return {};
        pin.m_complaints |= complaint;
    }
    pin.m_server = normalisedServer(server);
    pin.m_port = effectivePort(port);
    pin.m_sha256 = certificate.digest(QCryptographicHash::Sha256);
    return pin;
}

TrustedCertificate TrustedCertificate::fromSetting(const QString &settingText)
{
    const QStringList parts = settingText.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 2 || parts.size() > 3 || parts[1].size() != 2 * kSha256Bytes)
        return {};
    TrustedCertificate pin;
    std::tie(pin.m_server, pin.m_port) = serverAndPort(parts[0].toLower());
    pin.m_sha256 = QByteArray::fromHex(parts[1].toLatin1());
    pin.m_complaints = parts.size() == 3 ? complaintsFrom(parts[2]) : kAllTrustable;
    if (!pin.isValid() || pin.m_server.isEmpty())
        return {};
    return pin;
}

QString TrustedCertificate::settingText() const
{
    if (!isValid())
        return {};
    QStringList complaints;
    for (const ComplaintName &known : kNames) {
        if (m_complaints & known.complaint)
            complaints << QLatin1String(known.name);
    }
    QString text = m_server + QLatin1Char(':') + QString::number(m_port) + QLatin1Char(' ') +
        QString::fromLatin1(m_sha256.toHex());
    return complaints.isEmpty() ? text : text + QLatin1Char(' ') + complaints.join(QLatin1Char(','));
}

bool TrustedCertificate::appliesTo(const QString &server, int port) const
{
    return isValid() && !server.trimmed().isEmpty() && normalisedServer(server) == m_server &&
        (m_port == 0 || m_port == effectivePort(port));
}

QList<QSslError::SslError> TrustedCertificate::acceptedErrors() const
{
    QList<QSslError::SslError> accepted;
    for (const QSslError::SslError error :
         {QSslError::SelfSignedCertificate, QSslError::SelfSignedCertificateInChain,
          QSslError::UnableToGetLocalIssuerCertificate, QSslError::UnableToGetIssuerCertificate,
          QSslError::UnableToVerifyFirstCertificate, QSslError::CertificateUntrusted, QSslError::HostNameMismatch}) {
        if (m_complaints & complaintOf(error))
            accepted << error;
    }
    return accepted;
}

unsigned TrustedCertificate::complaintOf(QSslError::SslError error)
{
    switch (error) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain: return SelfSigned;
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted: return UnknownIssuer;
    case QSslError::HostNameMismatch: return HostName;
    default: return 0;
    }
}

QStringList TrustedCertificate::reasons(const QList<QSslError> &errors)
{
    QStringList texts;
    for (const QSslError &error : errors) {
        const QString text = reasonFor(error.error());
        if (!texts.contains(text))
            texts << text;
    }
    return texts;
}

QString TrustedCertificate::displayed(const QByteArray &sha256)
{
    return QString::fromLatin1(sha256.toHex(':').toUpper());
}

} // namespace OrvVelmora
