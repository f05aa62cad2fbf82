#include "outside/RtfToHtml.h"

#include "outside/RtfHtmlBuilder.h"
#include "outside/RtfReader.h"

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
