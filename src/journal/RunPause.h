#pragma once

#include <functional>

namespace OrvVelmora {

/// A wait inside a send run that keeps the window alive: it lets pending
/// events run through PlatformServices, shows the seconds left once a second
/// and ends early when the run is asked to stop.
class RunPause
{
public:
    using Stopped = std::function<bool()>;
    using ShowSecondsLeft = std::function<void(int seconds)>;

    /// True when the whole wait passed, false when it was stopped.
    static bool wait(int ms, const Stopped &stopped, const ShowSecondsLeft &show);
};

} // namespace OrvVelmora
