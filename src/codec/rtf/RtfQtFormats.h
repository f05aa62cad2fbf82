#pragma once

#include "codec/rtf/RtfStyles.h"

#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextListFormat>

class QTextBlock;

namespace OrvVelmora {

/// Translation between RTF formatting and QTextDocument formats, shared by
/// the reader's document builder and the writer so that a round trip lands
/// where it started. Indents: 15 twips are one document pixel. A bulleted
/// paragraph's left margin is where its bullet stands; its text starts one
/// list indent (QTextDocument::indentWidth) per level further right, which
/// in RTF is \li with a negative \fi for the bullet.
namespace RtfQtFormats {

inline constexpr double kTwipsPerPixel = 15.0;

[[nodiscard]] int pixelsToTwips(qreal pixels);
[[nodiscard]] qreal twipsToPixels(int twips);

[[nodiscard]] QTextCharFormat charFormat(const RtfCharStyle &style);
/// The style of a character format; properties the format does not set come
/// from the document's default font.
[[nodiscard]] RtfCharStyle charStyle(const QTextCharFormat &format, const QFont &defaultFont);

[[nodiscard]] QTextBlockFormat blockFormat(const RtfParaStyle &style, qreal indentWidth);
[[nodiscard]] RtfParaStyle paraStyle(const QTextBlock &block, qreal indentWidth);

/// A list's marker: bullets change shape from level to level as in the
/// editor, numbers keep their kind.
[[nodiscard]] QTextListFormat::Style listStyle(RtfParaStyle::Numbering numbering, int level);
[[nodiscard]] RtfParaStyle::Numbering numbering(QTextListFormat::Style style);

} // namespace RtfQtFormats

} // namespace OrvVelmora
