#include "journal/RunPause.h"

#include "base/platform/PlatformServices.h"

#include <QElapsedTimer>
#include <QThread>

namespace OrvVelmora {

bool RunPause::wait(int ms, const Stopped &stopped, const ShowSecondsLeft &show)
{
    QElapsedTimer clock;
    clock.start();
    int shown = -1;
    while (clock.elapsed() < ms) {
        if (stopped())
            return false;
        const int secondsLeft = int((ms - clock.elapsed() + 999) / 1000);
        if (secondsLeft != shown)
            show(shown = secondsLeft);
        PlatformServices::instance().processEvents();
        QThread::msleep(std::min<qint64>(10, ms - clock.elapsed() > 0 ? ms - clock.elapsed() : 0));
    }
    return !stopped();
}

} // namespace OrvVelmora
