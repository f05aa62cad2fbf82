#include "settings/AccountOptions.h"

namespace OrvVelmora {

namespace {

// A grant names where it was given; a bare "0" from older files names nothing
// and is tied to the saved server when the settings are loaded.
QString relayTarget(const QString &server, int port)
{
    return server.trimmed().toLower() + QLatin1Char(':') + QString::number(port > 0 ? port : 25);
}

} // namespace

QString AccountOptions::relayGrant(const QString &server, int port)
{
    return QStringLiteral("0 ") + relayTarget(server, port);
}

bool AccountOptions::relayGranted(const QString &grant, const QString &server, int port)
{
    return !server.trimmed().isEmpty() && grant.trimmed() == relayGrant(server, port);
}

} // namespace OrvVelmora
