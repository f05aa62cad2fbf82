#pragma once

#include <QLoggingCategory>

namespace OrvVelmora {

Q_DECLARE_LOGGING_CATEGORY(lcOAuth)

} // namespace OrvVelmora
