#include "net/oauth/OAuthProvider.h"

namespace OrvVelmora {

namespace {

enum class Preset { None, Microsoft, Google };

Preset presetFor(const QString &server)
{
    const QString host = server.trimmed().toLower();
    if (host == QLatin1String("smtp.office365.com") || host == QLatin1String("smtp-mail.outlook.com"))
        return Preset::Microsoft;
    if (host == QLatin1String("smtp.gmail.com"))
        return Preset::Google;
    return Preset::None;
}

OAuthProvider presetProvider(Preset preset, const OAuthAccount &account)
{
    if (preset == Preset::Microsoft) {
        const QString tenant = account.tenant.trimmed().isEmpty() ? QStringLiteral("common") : account.tenant.trimmed();
        const QString base = QStringLiteral("https://login.microsoftonline.com/%1/oauth2/v2.0/").arg(tenant);
        // offline_access is what makes Microsoft hand out a refresh token.
        return {QStringLiteral("Microsoft"),
                QUrl(base + QStringLiteral("authorize")),
                QUrl(base + QStringLiteral("token")),
                QStringLiteral("https://outlook.office.com/SMTP.Send offline_access"),
                {}};
    }
    if (preset == Preset::Google)
        return {QStringLiteral("Google"),
                QUrl(QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth")),
                QUrl(QStringLiteral("https://oauth2.googleapis.com/token")),
                QStringLiteral("https://mail.google.com/"),
                {}};
    return {account.server.trimmed(), {}, {}, {}, {}};
}

bool usableEndpoint(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    // Plain http only towards this machine, where a test or a local proxy listens.
    return url.scheme() == QLatin1String("https") ||
        (url.scheme() == QLatin1String("http") &&
         (url.host() == QLatin1String("127.0.0.1") || url.host() == QLatin1String("localhost") ||
          url.host() == QLatin1String("::1")));
}

} // namespace

bool OAuthProvider::appliesTo(const OAuthAccount &account)
{
    return account.oauthRequested || presetFor(account.server) != Preset::None;
}

std::optional<OAuthProvider> OAuthProvider::forAccount(const OAuthAccount &account, QString *why)
{
    const auto fail = [why](const QString &text) -> std::optional<OAuthProvider> {
        if (why)
            *why = text;
        return std::nullopt;
    };
    if (!appliesTo(account))
        return fail(QStringLiteral("Für diesen Server ist keine Anmeldung über den Browser eingerichtet."));
    OAuthProvider provider = presetProvider(presetFor(account.server), account);
    if (!account.authorizeUrl.trimmed().isEmpty())
        provider.authorizeUrl = QUrl(account.authorizeUrl.trimmed());
    if (!account.tokenUrl.trimmed().isEmpty())
        provider.tokenUrl = QUrl(account.tokenUrl.trimmed());
    if (!account.scope.trimmed().isEmpty())
        provider.scope = account.scope.trimmed();
    provider.clientId = account.clientId.trimmed();
    if (provider.clientId.isEmpty())
        return fail(QStringLiteral("Für die Anmeldung fehlt die Anwendungs-ID Ihrer Organisation "
                                   "(Schlüssel OAuthClientId in der Einstellungsdatei)."));
    if (!usableEndpoint(provider.authorizeUrl) || !usableEndpoint(provider.tokenUrl))
        return fail(QStringLiteral("Die Anmeldeadressen für %1 fehlen oder sind ungültig "
                                   "(Schlüssel OAuthAuthorizeUrl und OAuthTokenUrl in der Einstellungsdatei).")
                        .arg(provider.name));
    return provider;
}

} // namespace OrvVelmora
