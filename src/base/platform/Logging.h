#pragma once

#include <QLoggingCategory>

#include <exception>

namespace OrvVelmora {

/// A category as Q_DECLARE_LOGGING_CATEGORY declares it: a function giving it.
using LogCategory = const QLoggingCategory &(*)();

/// Runs one step of a sequence in which a failing step must not stop the
/// next: a failure is logged as a warning in `category`, naming `step`, and
/// swallowed. Returns whether the step ran to its end.
template<typename Step>
bool tolerate(LogCategory category, const char *step, Step &&run) noexcept
{
    try {
        run();
        return true;
    } catch (const std::exception &error) {
        qCWarning(category, "%s failed: %s", step, error.what());
    } catch (...) {
        qCWarning(category, "%s failed", step);
    }
    return false;
}

} // namespace OrvVelmora
