#include "net/oauth/OAuthLog.h"

namespace OrvVelmora {

// Warnings and worse by default; QT_LOGGING_RULES="orv.oauth.debug=true" shows the rest.
Q_LOGGING_CATEGORY(lcOAuth, "orv.oauth", QtWarningMsg)

} // namespace OrvVelmora
