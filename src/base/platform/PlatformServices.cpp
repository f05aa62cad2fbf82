#include "base/platform/PlatformServices.h"

#include "base/platform/QtPlatformServices.h"

#include <QDialog>

namespace OrvVelmora {

namespace {
PlatformServices *g_installed = nullptr;
}

PlatformServices::~PlatformServices() = default;

void PlatformServices::askWithoutWaiting(const QString &text, const QString &caption, MessageIcon icon,
                                         MessageButtons buttons, std::optional<MessageAnswer> defaultAnswer,
                                         std::function<void(MessageAnswer)> answered) // NOLINT: overrides keep it
{
    answered(messageBox(text, caption, icon, buttons, defaultAnswer));
}

int PlatformServices::execDialog(QDialog &dialog)
{
    return dialog.exec();
}

MessageAnswer PlatformServices::askActions(const QString &text, const QString &caption, const QStringList &actions,
                                           std::optional<MessageAnswer> defaultAnswer)
{
    return messageBox(text, caption, MessageIcon::Question,
                      actions.size() > 2 ? MessageButtons::YesNoCancel : MessageButtons::YesNo, defaultAnswer);
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
