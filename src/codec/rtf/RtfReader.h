#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace OrvVelmora {

class RtfSink;

/// Reads an RTF document and hands its text and formatting to a sink.
///
/// Tolerant in the way word processors are: unknown control words are
/// ignored, unknown \* destinations and the destinations that hold no body
/// text (style sheet, document info, pictures, headers, footnotes, field
/// instructions, list definitions) are skipped; fields keep their result;
/// tables come out as one paragraph per cell; \pn and \ls lists become bullets;
/// \'hh is decoded in the code page of the font in force.
///
/// Bounded on hostile input: the document size is capped (a larger one is not
/// read at all), group nesting beyond maxDepth is flattened into the deepest
/// level, font and colour tables beyond maxTableEntries are ignored, and
/// numeric parameters are clamped to sane ranges. A missing closing brace
/// ends the document where the bytes end; anything after the closing brace
/// of the document is ignored.
struct RtfReaderLimits
{
    qsizetype maxInputBytes = qsizetype(64) * 1024 * 1024;
    int maxDepth = 256;
    int maxTableEntries = 4096;
};

class RtfReader
{
public:
    using Limits = RtfReaderLimits;

    /// Whether the bytes are an RTF document this reader will read: they
    /// start with "{\rtf" (after blanks or a UTF-8 byte order mark) and fit the limits.
    [[nodiscard]] static bool accepts(QByteArrayView rtf, const Limits &limits = Limits());
    /// Feeds the document to the sink; false, with the sink untouched, when
    /// accepts() says no.
    static bool read(QByteArrayView rtf, RtfSink &sink, const Limits &limits = Limits());

    /// The bytes of RTF held as text. RTF is 7-bit, so a character beyond
    /// ASCII can only be a literal character of the text (for instance a
    /// merged value that was not escaped); it becomes the \uN escape it stands for.
    [[nodiscard]] static QByteArray fromText(const QString &rtf);
};

} // namespace OrvVelmora
