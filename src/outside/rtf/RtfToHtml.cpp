#include "outside/rtf/RtfToHtml.h"

#include "outside/rtf/RtfHtmlBuilder.h"
#include "outside/rtf/RtfLog.h"
#include "outside/rtf/RtfReader.h"

namespace OrvVelmora {

std::optional<QString> RtfToHtml::convert(const QByteArray &rtf)
{
    RtfHtmlBuilder builder;
    if (!RtfReader::read(rtf, builder)) {
        qCWarning(lcRtf) << "RTF of" << rtf.size() << "bytes cannot be converted to HTML";
        return std::nullopt;
    }
    return builder.html();
}

std::optional<QString> RtfToHtml::convert(const QString &rtf)
{
    return convert(RtfReader::fromText(rtf));
}

} // namespace OrvVelmora
