#include "net/oauth/OAuthLog.h"

namespace OrvVelmora {

Q_LOGGING_CATEGORY(lcOAuth, "orv.oauth")

} // namespace OrvVelmora
