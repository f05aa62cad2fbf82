#include "base/platform/PlatformServices.h"

namespace OrvVelmora {

WaitPointer::WaitPointer()
{
    PlatformServices::instance().setMousePointer(HourglassPointer);
}

WaitPointer::~WaitPointer()
{
    PlatformServices::instance().setMousePointer(DefaultPointer);
}

} // namespace OrvVelmora
