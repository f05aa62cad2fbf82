#include "settings/TrustedCertificate.h"

#include <QStringList>

namespace OrvVelmora {

namespace {

constexpr qsizetype kSha256Bytes = 32;

QString normalisedServer(const QString &server)
{
    return server.trimmed().toLower();
}

} // namespace

QString TrustedCertificate::settingText(const QString &server, const QByteArray &sha256)
{
    return normalisedServer(server) + QLatin1Char(' ') + QString::fromLatin1(sha256.toHex());
}

QByteArray TrustedCertificate::fingerprintFor(const QString &settingText, const QString &server)
{
    const QStringList parts = settingText.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 2 || parts[0].toLower() != normalisedServer(server) || server.trimmed().isEmpty())
        return {};
    const QByteArray sha256 = QByteArray::fromHex(parts[1].toLatin1());
    return sha256.size() == kSha256Bytes && parts[1].size() == 2 * kSha256Bytes ? sha256 : QByteArray();
}

QString TrustedCertificate::displayed(const QByteArray &sha256)
{
    return QString::fromLatin1(sha256.toHex(':').toUpper());
}

} // namespace OrvVelmora
