#include "codec/rtf/RtfQtFormats.h"

#include <QTextBlock>
#include <QTextList>

#include <cmath>

namespace OrvVelmora::RtfQtFormats {

namespace {

Qt::Alignment qtAlignment(RtfParaStyle::Alignment alignment)
{
    switch (alignment) {
    case RtfParaStyle::Alignment::Right: return Qt::AlignRight;
    case RtfParaStyle::Alignment::Center: return Qt::AlignHCenter;
    case RtfParaStyle::Alignment::Justify: return Qt::AlignJustify;
    case RtfParaStyle::Alignment::Left: break;
    }
    return Qt::AlignLeft;
}

RtfParaStyle::Alignment rtfAlignment(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignRight)
        return RtfParaStyle::Alignment::Right;
    if (alignment & Qt::AlignHCenter)
        return RtfParaStyle::Alignment::Center;
    if (alignment & Qt::AlignJustify)
        return RtfParaStyle::Alignment::Justify;
    return RtfParaStyle::Alignment::Left;
}

QTextCharFormat::VerticalAlignment qtVertical(RtfCharStyle::Vertical vertical)
{
    switch (vertical) {
    case RtfCharStyle::Vertical::Superscript: return QTextCharFormat::AlignSuperScript;
    case RtfCharStyle::Vertical::Subscript: return QTextCharFormat::AlignSubScript;
    case RtfCharStyle::Vertical::Normal: break;
    }
    return QTextCharFormat::AlignNormal;
}

RtfCharStyle::Vertical rtfVertical(QTextCharFormat::VerticalAlignment vertical)
{
    switch (vertical) {
    case QTextCharFormat::AlignSuperScript: return RtfCharStyle::Vertical::Superscript;
    case QTextCharFormat::AlignSubScript: return RtfCharStyle::Vertical::Subscript;
    default: break;
    }
    return RtfCharStyle::Vertical::Normal;
}

std::optional<QRgb> brushColor(const QTextFormat &format, int property)
{
    if (!format.hasProperty(property))
        return std::nullopt;
    const QBrush brush = format.brushProperty(property);
    if (brush.style() == Qt::NoBrush)
        return std::nullopt;
    return brush.color().rgb();
}

QString familyOf(const QTextCharFormat &format)
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty())
        return families.first();
    return format.stringProperty(QTextFormat::FontFamily);
}

} // namespace

int pixelsToTwips(qreal pixels)
{
    return static_cast<int>(std::lround(pixels * kTwipsPerPixel));
}

qreal twipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}

QTextCharFormat charFormat(const RtfCharStyle &style)
{
    QTextCharFormat format;
    if (!style.fontFamily.isEmpty())
        format.setFontFamilies({style.fontFamily});
    format.setFontPointSize(style.halfPoints / 2.0);
    format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(style.italic);
    format.setFontUnderline(style.underline);
    format.setFontStrikeOut(style.strike);
    if (style.vertical != RtfCharStyle::Vertical::Normal)
        format.setVerticalAlignment(qtVertical(style.vertical));
    if (style.color)
        format.setForeground(QColor(*style.color));
    if (style.background)
        format.setBackground(QColor(*style.background));
    return format;
}

RtfCharStyle charStyle(const QTextCharFormat &format, const QFont &defaultFont)
{
    RtfCharStyle style;
    style.fontFamily = familyOf(format);
    if (style.fontFamily.isEmpty())
        style.fontFamily = defaultFont.family();
    const qreal points =
        format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize() : defaultFont.pointSizeF();
    style.halfPoints = points > 0 ? static_cast<int>(std::lround(points * 2)) : 24;
    style.bold =
        format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight() >= QFont::DemiBold : defaultFont.bold();
    style.italic = format.hasProperty(QTextFormat::FontItalic) ? format.fontItalic() : defaultFont.italic();
    style.underline =
        format.hasProperty(QTextFormat::FontUnderline) || format.hasProperty(QTextFormat::TextUnderlineStyle)
        ? format.fontUnderline()
        : defaultFont.underline();
    style.strike = format.hasProperty(QTextFormat::FontStrikeOut) ? format.fontStrikeOut() : defaultFont.strikeOut();
    style.vertical = rtfVertical(format.verticalAlignment());
    style.color = brushColor(format, QTextFormat::ForegroundBrush);
    style.background = brushColor(format, QTextFormat::BackgroundBrush);
    return style;
}

QTextBlockFormat blockFormat(const RtfParaStyle &style, qreal indentWidth)
{
    QTextBlockFormat format;
    format.setAlignment(qtAlignment(style.alignment));
    format.setRightMargin(twipsToPixels(style.rightIndent));
    format.setTopMargin(twipsToPixels(style.spaceBefore));
    format.setBottomMargin(twipsToPixels(style.spaceAfter));
    if (style.lineSpacing > 0 && style.lineMultiple)
        format.setLineHeight(style.lineSpacing * 100.0 / 240, QTextBlockFormat::ProportionalHeight);
    else if (style.lineSpacing > 0)
        format.setLineHeight(twipsToPixels(style.lineSpacing), QTextBlockFormat::MinimumHeight);
    else if (style.lineSpacing < 0)
        format.setLineHeight(twipsToPixels(-style.lineSpacing), QTextBlockFormat::FixedHeight);
    if (style.listItem) {
        const qreal bulletAt = twipsToPixels(style.leftIndent + std::min(0, style.firstLineIndent));
        format.setLeftMargin(std::max<qreal>(0, bulletAt - style.level * indentWidth));
    } else {
        format.setLeftMargin(twipsToPixels(style.leftIndent));
        format.setTextIndent(twipsToPixels(style.firstLineIndent));
    }
    return format;
}

RtfParaStyle paraStyle(const QTextBlock &block, qreal indentWidth)
{
    const QTextBlockFormat format = block.blockFormat();
    RtfParaStyle style;
    style.alignment = rtfAlignment(format.alignment());
    style.rightIndent = pixelsToTwips(format.rightMargin());
    style.spaceBefore = pixelsToTwips(format.topMargin());
    style.spaceAfter = pixelsToTwips(format.bottomMargin());
    style.leftIndent = pixelsToTwips(format.leftMargin());
    style.firstLineIndent = pixelsToTwips(format.textIndent());
    switch (format.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        style.lineSpacing = qRound(format.lineHeight() * 240 / 100);
        style.lineMultiple = style.lineSpacing != 240;
        if (!style.lineMultiple)
            style.lineSpacing = 0;
        break;
    case QTextBlockFormat::MinimumHeight: style.lineSpacing = pixelsToTwips(format.lineHeight()); break;
    case QTextBlockFormat::FixedHeight: style.lineSpacing = -pixelsToTwips(format.lineHeight()); break;
    default: break;
    }
    if (const QTextList *list = block.textList()) {
        style.listItem = true;
        style.numbering = numbering(list->format().style());
        style.level = std::max(0, list->format().indent() - 1);
        style.leftIndent = pixelsToTwips(format.leftMargin() + (style.level + 1) * indentWidth);
        style.firstLineIndent = -pixelsToTwips(indentWidth);
    }
    return style;
}

QTextListFormat::Style listStyle(RtfParaStyle::Numbering numbering, int level)
{
    using Numbering = RtfParaStyle::Numbering;
    static constexpr QTextListFormat::Style kBullets[] = {QTextListFormat::ListDisc, QTextListFormat::ListCircle,
                                                          QTextListFormat::ListSquare};
    switch (numbering) {
    case Numbering::Decimal: return QTextListFormat::ListDecimal;
    case Numbering::LowerLetter: return QTextListFormat::ListLowerAlpha;
    case Numbering::UpperLetter: return QTextListFormat::ListUpperAlpha;
    case Numbering::LowerRoman: return QTextListFormat::ListLowerRoman;
    case Numbering::UpperRoman: return QTextListFormat::ListUpperRoman;
    case Numbering::Bullet: break;
    }
    return kBullets[level % 3];
}

RtfParaStyle::Numbering numbering(QTextListFormat::Style style)
{
    using Numbering = RtfParaStyle::Numbering;
    switch (style) {
    case QTextListFormat::ListDecimal: return Numbering::Decimal;
    case QTextListFormat::ListLowerAlpha: return Numbering::LowerLetter;
    case QTextListFormat::ListUpperAlpha: return Numbering::UpperLetter;
    case QTextListFormat::ListLowerRoman: return Numbering::LowerRoman;
    case QTextListFormat::ListUpperRoman: return Numbering::UpperRoman;
    default: return Numbering::Bullet;
    }
}

} // namespace OrvVelmora::RtfQtFormats
