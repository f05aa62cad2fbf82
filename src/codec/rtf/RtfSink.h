#pragma once

#include "codec/rtf/RtfStyles.h"

namespace OrvVelmora {

/// Receives a document from the reader: runs of equally formatted text, each
/// paragraph closed by paragraphEnd(), and the last (unterminated) paragraph
/// by documentEnd(). Text may hold '\t' and U+2028 (line break).
class RtfSink
{
public:
    virtual ~RtfSink() = default;
    virtual void characters(const QString &text, const RtfCharStyle &style) = 0;
    virtual void paragraphEnd(const RtfParaStyle &style) = 0;
    virtual void documentEnd(const RtfParaStyle &style) = 0;
};

} // namespace OrvVelmora
