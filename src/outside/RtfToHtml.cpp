#include "outside/RtfToHtml.h"

namespace OrvVelmora {

std::optional<QString> RtfToHtml::convert(const QByteArray &rtf)
{
    if (!rtf.startsWith("{\\rtf"))
        return std::nullopt;
    return QString();
}

std::optional<QString> RtfToHtml::convert(const QString &rtf)
{
    return convert(rtf.toUtf8());
}

} // namespace OrvVelmora
