#include "base/platform/PlatformServices.h"

#include "base/platform/QtPlatformServices.h"

#include <QDialog>

namespace OrvVelmora {

namespace {
PlatformServices *g_installed = nullptr;
}

PlatformServices::~PlatformServices() = default;

int PlatformServices::execDialog(QDialog &dialog)
{
    return dialog.exec();
}

PlatformServices &PlatformServices::instance()
{
    if (g_installed)
        return *g_installed;
    static QtPlatformServices qtServices;
    return qtServices;
}

void PlatformServices::setInstance(PlatformServices *services)
{
    g_installed = services;
}

} // namespace OrvVelmora
