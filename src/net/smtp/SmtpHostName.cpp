#include "net/smtp/SmtpHostName.h"

#include <QHostAddress>
#include <QSysInfo>
#include <QUrl>

#include <arpa/inet.h>

namespace OrvVelmora {

namespace {

constexpr int kMaxHostName = 253;

bool isAddress(const QString &host)
{
    const QByteArray text = host.toLatin1();
    in_addr v4{};
    in6_addr v6{};
    return inet_pton(AF_INET, text.constData(), &v4) == 1 || inet_pton(AF_INET6, text.constData(), &v6) == 1;
}

} // namespace

bool SmtpHostName::isPlain(const QString &name)
{
    if (name.isEmpty() || name.size() > kMaxHostName)
        return false;
    for (QChar c : name) {
        if (!(c.unicode() < 0x80 && (c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-'))))
            return false;
    }
    return true;
}

bool SmtpHostName::isServer(const QString &host)
{
    return isAddress(host) || isPlain(QString::fromLatin1(QUrl::toAce(host)));
}

bool SmtpHostName::isThisMachine(const QString &host)
{
    const QByteArray text = host.toLatin1();
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    if (inet_pton(AF_INET6, text.constData(), &v6) == 1)
        return IN6_IS_ADDR_LOOPBACK(&v6);
    return host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0;
}

/// A name with a dot between labels; "localhost.localdomain" and names
/// written as addresses do not count.
bool SmtpHostName::isQualified(const QString &name)
{
    if (!isPlain(name) || isAddress(name) || name.startsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char('.')) ||
        name.contains(QLatin1String("..")) || !name.contains(QLatin1Char('.')))
        return false;
    return !name.startsWith(QLatin1String("localhost."), Qt::CaseInsensitive);
}

QByteArray SmtpHostName::greeting(const QString &configured, const QHostAddress &local)
{
    for (const QString &name : {configured.trimmed(), QSysInfo::machineHostName()}) {
        if (isQualified(name))
            return name.toLatin1();
    }
    bool mapped = false;
    const QHostAddress v4(local.toIPv4Address(&mapped));
    if (mapped)
        return '[' + v4.toString().toLatin1() + ']';
    if (local.protocol() == QAbstractSocket::IPv6Protocol) {
        QHostAddress bare = local;
        bare.setScopeId(QString());
        return "[IPv6:" + bare.toString().toLatin1() + ']';
    }
    // Not connected: nothing better is known, and the literal of this
    // machine's own loopback is at least well formed.
    return QByteArrayLiteral("[127.0.0.1]");
}

} // namespace OrvVelmora
