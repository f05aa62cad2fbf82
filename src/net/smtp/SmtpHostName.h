#pragma once

#include <QByteArray>
#include <QString>

class QHostAddress;

namespace OrvVelmora {

/// What the transport asks of a server name or of the name it greets with.
class SmtpHostName
{
public:
    /// A host name (international names allowed) or an IP address; nothing
    /// that could carry a port, a path or credentials into the connection.
    static bool isServer(const QString &host);
    /// "localhost", 127.0.0.0/8 or ::1 written as such; names are not
    /// resolved, so a name that merely points at this machine does not count.
    static bool isThisMachine(const QString &host);
    /// The name announced in EHLO or HELO: a fully qualified name (the
    /// configured one, else this machine's) when there is one, else the
    /// address literal of the connection's own end ("[192.0.2.7]",
    /// "[IPv6:2001:db8::7]"). Servers that check the greeting refuse a bare
    /// name such as "vm", and spam filters score it.
    static QByteArray greeting(const QString &configured, const QHostAddress &local);

private:
    static bool isPlain(const QString &name);
    static bool isQualified(const QString &name);
};

} // namespace OrvVelmora
