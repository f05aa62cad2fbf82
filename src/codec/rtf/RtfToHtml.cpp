#include "codec/rtf/RtfToHtml.h"

#include "codec/rtf/RtfHtmlBuilder.h"
#include "codec/rtf/RtfLog.h"
#include "codec/rtf/RtfReader.h"

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
