#include "codec/rtf/RtfHtmlBuilder.h"

#include <QColor>

#include <cstdlib>

namespace OrvVelmora {

namespace {

QString points(int twips)
{
    return QString::number(twips / 20.0) + QLatin1String("pt");
}

QString cssColor(QRgb rgb)
{
    return QColor(rgb).name();
}

const char *cssAlignment(RtfParaStyle::Alignment alignment)
{
    switch (alignment) {
    case RtfParaStyle::Alignment::Right: return "right";
    case RtfParaStyle::Alignment::Center: return "center";
    case RtfParaStyle::Alignment::Justify: return "justify";
    case RtfParaStyle::Alignment::Left: break;
    }
    return "left";
}

QString paragraphCss(const RtfParaStyle &style)
{
    QString css = QStringLiteral("margin:%1 %2 %3 %4;text-align:%5")
                      .arg(points(style.spaceBefore), points(style.rightIndent), points(style.spaceAfter),
                           points(style.listItem ? 0 : style.leftIndent), QLatin1String(cssAlignment(style.alignment)));
    if (style.firstLineIndent && !style.listItem)
        css += QLatin1String(";text-indent:") + points(style.firstLineIndent);
    // Single spacing is taken as 1.2 times the font size, what browsers use
    // for "normal"; a height in twips has no "at least" in CSS and is given as it is.
    if (style.lineSpacing > 0 && style.lineMultiple)
        css += QLatin1String(";line-height:") + QString::number(1.2 * style.lineSpacing / 240, 'g', 3);
    else if (style.lineSpacing)
        css += QLatin1String(";line-height:") + points(std::abs(style.lineSpacing));
    return css;
}

// The list element for a kind of marker; its type attribute survives mail
// clients that drop CSS list-style-type.
QString listOpening(RtfParaStyle::Numbering numbering)
{
    using Numbering = RtfParaStyle::Numbering;
    switch (numbering) {
    case Numbering::Decimal: return QStringLiteral("<ol type=\"1\"");
    case Numbering::LowerLetter: return QStringLiteral("<ol type=\"a\"");
    case Numbering::UpperLetter: return QStringLiteral("<ol type=\"A\"");
    case Numbering::LowerRoman: return QStringLiteral("<ol type=\"i\"");
    case Numbering::UpperRoman: return QStringLiteral("<ol type=\"I\"");
    case Numbering::Bullet: break;
    }
    return QStringLiteral("<ul");
}

} // namespace

RtfHtmlBuilder::RtfHtmlBuilder()
{
    m_html = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head>\n<body>\n");
}

void RtfHtmlBuilder::characters(const QString &text, const RtfCharStyle &style)
{
    if (m_paragraph.isEmpty())
        m_paragraphFont = blockFont(style);
    m_lastStyle = style;
    // Only the runs keep white space as typed: the line breaks between the
    // block elements are for people reading the source and must collapse.
    m_paragraph += QLatin1String("<span style=\"white-space:pre-wrap;");
    spanStyle(style);
    m_paragraph += QLatin1String("\">");
    escaped(text);
    m_paragraph += QLatin1String("</span>");
}

void RtfHtmlBuilder::spanStyle(const RtfCharStyle &style)
{
    if (!style.fontFamily.isEmpty()) {
        m_paragraph += QLatin1String("font-family:'");
        escaped(QString(style.fontFamily).remove(u'\''));
        m_paragraph += QLatin1String("';");
    }
    m_paragraph += QLatin1String("font-size:") + QString::number(style.halfPoints / 2.0) + QLatin1String("pt");
    if (style.bold)
        m_paragraph += QLatin1String(";font-weight:bold");
    if (style.italic)
        m_paragraph += QLatin1String(";font-style:italic");
    if (style.underline || style.strike) {
        m_paragraph += QLatin1String(";text-decoration:");
        m_paragraph += QLatin1String(style.underline && style.strike ? "underline line-through"
                                         : style.underline           ? "underline"
                                                                     : "line-through");
    }
    if (style.vertical != RtfCharStyle::Vertical::Normal)
        m_paragraph += QLatin1String(style.vertical == RtfCharStyle::Vertical::Superscript ? ";vertical-align:super"
                                                                                           : ";vertical-align:sub");
    if (style.color)
        m_paragraph += QLatin1String(";color:") + cssColor(*style.color);
    if (style.background)
        m_paragraph += QLatin1String(";background-color:") + cssColor(*style.background);
}

// The block carries the font of its first run as well: a browser gives every
// line at least the height of the block's own font, so 9 pt text in a block
// of the browser's 12 pt default would stand further apart than in the editor.
QString RtfHtmlBuilder::blockFont(const RtfCharStyle &style)
{
    QString css = QLatin1String(";font-size:") + QString::number(style.halfPoints / 2.0) + QLatin1String("pt");
    if (!style.fontFamily.isEmpty())
        css += QLatin1String(";font-family:'") + QString(style.fontFamily).remove(u'\'').toHtmlEscaped() +
            QLatin1String("'");
    return css;
}

void RtfHtmlBuilder::escaped(const QString &text)
{
    m_paragraph.reserve(m_paragraph.size() + text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'<': m_paragraph += QLatin1String("&lt;"); break;
        case u'>': m_paragraph += QLatin1String("&gt;"); break;
        case u'&': m_paragraph += QLatin1String("&amp;"); break;
        case u'"': m_paragraph += QLatin1String("&quot;"); break;
        case u'\'': m_paragraph += QLatin1String("&#39;"); break;
        case 0x2028: m_paragraph += QLatin1String("<br>"); break;
        default: m_paragraph += c; break;
        }
    }
}

void RtfHtmlBuilder::paragraphEnd(const RtfParaStyle &style)
{
    closeParagraph(style);
}

void RtfHtmlBuilder::documentEnd(const RtfParaStyle &style)
{
    if (!m_paragraph.isEmpty() || style.listItem)
        closeParagraph(style);
    closeLists(0);
    m_html += QLatin1String("</body></html>\n");
}

void RtfHtmlBuilder::closeParagraph(const RtfParaStyle &style)
{
    // An empty paragraph would collapse to nothing; a <br> keeps its line,
    // in the size of the text before it rather than the browser's default.
    if (m_paragraph.isEmpty()) {
        m_paragraphFont = blockFont(m_lastStyle);
        m_paragraph += QLatin1String("<span style=\"");
        spanStyle(m_lastStyle);
        m_paragraph += QLatin1String("\"><br></span>");
    }
    if (style.listItem) {
        listItem(style);
    } else {
        closeLists(0);
        m_html += QLatin1String("<p style=\"") + paragraphCss(style) + m_paragraphFont + QLatin1String("\">") +
            m_paragraph + QLatin1String("</p>\n");
    }
    m_paragraph.clear();
}

// Each open list has an open item; a deeper list goes inside that item, so
// the nesting is valid HTML.
void RtfHtmlBuilder::listItem(const RtfParaStyle &style)
{
    closeLists(style.level + 1);
    // Another kind of marker on the same level is another list.
    if (m_openLists.size() == style.level + 1 && m_openLists.last() != style.numbering)
        closeLists(style.level);
    if (m_openLists.size() == style.level + 1)
        m_html += QLatin1String("</li>\n");
    while (m_openLists.size() <= style.level) {
        const bool innermost = m_openLists.size() == style.level;
        openList(m_openLists.isEmpty() ? style.leftIndent : 0,
                 innermost ? style.numbering : RtfParaStyle::Numbering::Bullet);
    }
    m_html += QLatin1String("<li style=\"") + paragraphCss(style) + m_paragraphFont + QLatin1String("\">") +
        m_paragraph + QLatin1String("\n");
}

void RtfHtmlBuilder::openList(int leftIndent, RtfParaStyle::Numbering numbering)
{
    m_html += listOpening(numbering) + QLatin1String(" style=\"margin:0;padding-left:") +
        points(std::max(leftIndent, 360)) + QLatin1String("\">\n");
    m_openLists.append(numbering);
}

void RtfHtmlBuilder::closeLists(int keep)
{
    while (m_openLists.size() > keep) {
        const bool numbered = m_openLists.takeLast() != RtfParaStyle::Numbering::Bullet;
        m_html += numbered ? QLatin1String("</li>\n</ol>\n") : QLatin1String("</li>\n</ul>\n");
    }
}

} // namespace OrvVelmora
