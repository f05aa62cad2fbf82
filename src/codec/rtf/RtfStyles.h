#pragma once

#include <QRgb>
#include <QString>

#include <optional>

namespace OrvVelmora {

/// Character formatting as RTF describes it, independent of any document
/// model, so the reader can feed a QTextDocument or an HTML page alike.
struct RtfCharStyle
{
    enum class Vertical { Normal, Superscript, Subscript };

    /// Empty means the document's default font.
    QString fontFamily;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    Vertical vertical = Vertical::Normal;
    std::optional<QRgb> color;
    std::optional<QRgb> background;

    bool operator==(const RtfCharStyle &) const = default;
};

/// Paragraph formatting; lengths in twips.
struct RtfParaStyle
{
    enum class Alignment { Left, Right, Center, Justify };
    /// What a list item shows in front of its text.
    enum class Numbering { Bullet, Decimal, LowerLetter, UpperLetter, LowerRoman, UpperRoman };

    Alignment alignment = Alignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    /// Line spacing as \sl and \slmult give it: 0 is single; with
    /// lineMultiple a multiple of single spacing in 240ths (360: one and a
    /// half lines), otherwise twips, at least that much when positive and
    /// exactly that much when negative.
    int lineSpacing = 0;
    bool lineMultiple = false;
    bool listItem = false;
    Numbering numbering = Numbering::Bullet;
    /// Nesting level of a list item, 0 for the outermost.
    int level = 0;

    bool operator==(const RtfParaStyle &) const = default;
};

} // namespace OrvVelmora
