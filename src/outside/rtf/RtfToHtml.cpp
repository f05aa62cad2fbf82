#include "outside/rtf/RtfToHtml.h"

#include "outside/rtf/RtfHtmlBuilder.h"
#include "outside/rtf/RtfReader.h"

namespace OrvVelmora {

std::optional<QString> RtfToHtml::convert(const QByteArray &rtf)
{
    RtfHtmlBuilder builder;
    if (!RtfReader::read(rtf, builder))
        return std::nullopt;
    return builder.html();
}

std::optional<QString> RtfToHtml::convert(const QString &rtf)
{
    return convert(RtfReader::fromText(rtf));
}

} // namespace OrvVelmora
