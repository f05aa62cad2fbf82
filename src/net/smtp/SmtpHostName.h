#pragma once

#include <QByteArray>
#include <QString>

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
    /// The name announced in EHLO: the configured one when it is a plain host
    /// name, else this machine's, else "localhost".
    static QByteArray greeting(const QString &configured);

private:
    static bool isPlain(const QString &name);
};

} // namespace OrvVelmora
