#include "editor/CommonDialog.h"

#include "base/platform/PlatformServices.h"

namespace OrvVelmora {

namespace {

FileDialogRequest requestFrom(const CommonDialog &dialog)
{
    FileDialogRequest request;
    request.title = dialog.DialogTitle;
    request.filter = dialog.Filter;
    request.filterIndex = dialog.FilterIndex;
    request.flags = dialog.Flags;
    request.fileName = dialog.FileName;
    return request;
}

bool takeAnswer(CommonDialog &dialog, const std::optional<QString> &answer)
{
    if (!answer)
        return false;
    dialog.FileName = *answer;
    return true;
}

} // namespace

bool CommonDialog::ShowOpen()
{
    return takeAnswer(*this, PlatformServices::instance().showOpen(requestFrom(*this)));
}

bool CommonDialog::ShowSave()
{
    return takeAnswer(*this, PlatformServices::instance().showSave(requestFrom(*this)));
}

std::optional<QColor> CommonDialog::ShowColor()
{
    return PlatformServices::instance().chooseColor(DialogTitle);
}

} // namespace OrvVelmora
