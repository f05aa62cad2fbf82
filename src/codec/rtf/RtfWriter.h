#pragma once

#include <QByteArray>

class QTextDocument;
class QTextDocumentFragment;

namespace OrvVelmora {

/// Writes a QTextDocument as an RTF 1.x document that word processors open:
/// \ansi\ansicpg1252 with a font and a colour table, \uc1 and {\uN?} for every
/// character outside ASCII (so the output is pure ASCII), character
/// formatting, alignment, indents, spacing, bullets (as \pn lists, which
/// WordPad, Word and LibreOffice all read) and breaks.
///
/// Every paragraph, the last included, ends with \par, as RichEdit writes it.
/// A run of equally formatted text is written as one uninterrupted piece of
/// text: its control words all come before it and it has no line break
/// inside, so text typed in one format (such as a placeholder) can be found
/// and replaced verbatim in the RTF source.
class RtfWriter
{
public:
    [[nodiscard]] static QByteArray write(const QTextDocument &document);
    [[nodiscard]] static QByteArray write(const QTextDocumentFragment &fragment, const QTextDocument &source);
};

} // namespace OrvVelmora
