#include "wizard/sendrun/FormattedBody.h"

#include "outside/rtf/RtfHtmlBuilder.h"
#include "outside/rtf/RtfReader.h"
#include "wizard/sendrun/SplitTokenSink.h"

namespace OrvVelmora {

std::optional<QString> FormattedBody::html(const MergeRowSource &source, int row, const QString &rtf,
                                           const QDate &today)
{
    const QString merged = MergeText(source, row, rtf, MergeTarget::RtfSource, today);
    RtfHtmlBuilder builder;
    SplitTokenSink tokens(builder, source, row, today);
    if (!RtfReader::read(RtfReader::fromText(merged), tokens))
        return std::nullopt;
    return builder.html();
}

} // namespace OrvVelmora
