#include "net/smtp/SmtpHostName.h"

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

QByteArray SmtpHostName::greeting(const QString &configured)
{
    if (isPlain(configured))
        return configured.toLatin1();
    const QString machine = QSysInfo::machineHostName();
    return isPlain(machine) ? machine.toLatin1() : QByteArrayLiteral("localhost");
}

} // namespace OrvVelmora
