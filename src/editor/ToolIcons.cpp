#include "editor/ToolIcons.h"

#include "editor/ToolIds.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace OrvVelmora {

namespace {

// Every drawing works on a 24 x 24 grid; the pixmaps scale the painter.
using Drawing = std::function<void(QPainter &)>;

const QColor kInk(0x3C, 0x40, 0x43);
const QColor kAccent(0x1A, 0x73, 0xE8);
const QColor kPaper(0xFF, 0xFF, 0xFF);

QPen inkPen(qreal width = 1.8, const QColor &color = kInk)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawLetter(QPainter &p, const QString &letter, bool bold, bool italic, qreal top = 1)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(18);
    font.setBold(bold);
    font.setItalic(italic);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(0, top, 24, 18), Qt::AlignCenter, letter);
}

void drawLines(QPainter &p, const QList<QPair<qreal, qreal>> &spans, qreal top = 5, qreal gap = 4.5)
{
    p.setPen(inkPen(2));
    for (int i = 0; i < spans.size(); ++i)
        p.drawLine(QPointF(spans[i].first, top + i * gap), QPointF(spans[i].second, top + i * gap));
}

void drawArrow(QPainter &p, bool right)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    QPolygonF arrow;
    if (right)
        arrow << QPointF(3, 8.5) << QPointF(8, 12) << QPointF(3, 15.5);
    else
        arrow << QPointF(8, 8.5) << QPointF(3, 12) << QPointF(8, 15.5);
    p.drawPolygon(arrow);
}

void drawFolder(QPainter &p)
{
    QPainterPath back;
    back.moveTo(2.5, 6);
    back.lineTo(9, 6);
    back.lineTo(11, 8);
    back.lineTo(21.5, 8);
    back.lineTo(21.5, 19);
    back.lineTo(2.5, 19);
    back.closeSubpath();
    p.setPen(inkPen(1.5));
    p.setBrush(QColor(0xF9, 0xC7, 0x4F));
    p.drawPath(back);
    p.setBrush(QColor(0xFB, 0xDA, 0x7D));
    p.drawPolygon(QPolygonF() << QPointF(2.5, 19) << QPointF(5.5, 11) << QPointF(22.5, 11) << QPointF(21.5, 19));
}

void drawFloppy(QPainter &p)
{
    p.setPen(inkPen(1.5));
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(7, 3, 10, 6));
    p.drawRoundedRect(QRectF(6, 13, 12, 8), 1, 1);
}

void drawPlaceHolder(QPainter &p)
{
    p.setPen(inkPen(1.5, kAccent));
    p.setBrush(QColor(0xE8, 0xF0, 0xFE));
    p.drawRoundedRect(QRectF(2, 5, 20, 14), 3, 3);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(2, 5, 20, 14), Qt::AlignCenter, QStringLiteral("<#>"));
}

void drawScissors(QPainter &p)
{
    p.setPen(inkPen(1.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(7, 18), 3, 3);
    p.drawEllipse(QPointF(17, 18), 3, 3);
    p.drawLine(QPointF(9, 15.5), QPointF(17, 3));
    p.drawLine(QPointF(15, 15.5), QPointF(7, 3));
}

void drawCopy(QPainter &p)
{
    p.setPen(inkPen(1.5));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(3, 3, 12, 14), 1.5, 1.5);
    p.setBrush(QColor(0xE8, 0xF0, 0xFE));
    p.drawRoundedRect(QRectF(9, 7, 12, 14), 1.5, 1.5);
}

void drawPaste(QPainter &p)
{
    p.setPen(inkPen(1.5));
    p.setBrush(QColor(0xC8, 0x9B, 0x6D));
    p.drawRoundedRect(QRectF(4, 4, 16, 18), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(7, 8, 10, 11));
    p.setBrush(QColor(0x9A, 0xA0, 0xA6));
    p.drawRoundedRect(QRectF(8, 2, 8, 4), 1, 1);
}

void drawUndo(QPainter &p)
{
    QPainterPath curve;
    curve.moveTo(5, 10);
    curve.cubicTo(9, 5, 20, 5, 20, 13);
    curve.cubicTo(20, 17, 17, 19, 13, 19);
    p.setPen(inkPen(2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF() << QPointF(3, 5) << QPointF(10, 10.5) << QPointF(3, 13.5));
}

void drawUnderline(QPainter &p)
{
    drawLetter(p, QStringLiteral("U"), false, false, -1);
    p.setPen(inkPen(2));
    p.drawLine(QPointF(6, 20.5), QPointF(18, 20.5));
}

void drawFontColor(QPainter &p)
{
    drawLetter(p, QStringLiteral("A"), true, false, -1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD9, 0x30, 0x25));
    p.drawRect(QRectF(4, 18.5, 16, 3.5));
}

void drawBullets(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(5, 6 + i * 6), 1.8, 1.8);
    p.setPen(inkPen(2));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(10, 6 + i * 6), QPointF(21, 6 + i * 6));
}

void drawIndent(QPainter &p, bool more)
{
    drawLines(p, {{3, 21}, {11, 21}, {11, 21}, {3, 21}}, 4.5, 5);
    drawArrow(p, more);
}

void drawCalendar(QPainter &p)
{
    p.setPen(inkPen(1.5));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(3, 5, 18, 16), 2, 2);
    p.setBrush(QColor(0xD9, 0x30, 0x25));
    p.drawRect(QRectF(3, 5, 18, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column)
            p.drawRect(QRectF(6.5 + column * 4.5, 12 + row * 4, 2.2, 2.2));
}

struct IconSource
{
    const char *themeName;
    Drawing draw;
};

const QHash<QString, IconSource> &iconSources()
{
    static const QHash<QString, IconSource> sources = {
        {ToolId::FileOpen, {"document-open", drawFolder}},
        {ToolId::FileSave, {"document-save", drawFloppy}},
        {ToolId::FilePlaceHolder, {"", drawPlaceHolder}},
        {ToolId::EditCut, {"edit-cut", drawScissors}},
        {ToolId::EditCopy, {"edit-copy", drawCopy}},
        {ToolId::EditPaste, {"edit-paste", drawPaste}},
        {ToolId::EditUndo, {"edit-undo", drawUndo}},
        {ToolId::FormatBold,
         {"format-text-bold", [](QPainter &p) { drawLetter(p, QStringLiteral("B"), true, false); }}},
        {ToolId::FormatItalic,
         {"format-text-italic", [](QPainter &p) { drawLetter(p, QStringLiteral("I"), false, true); }}},
        {ToolId::FormatUnderline, {"format-text-underline", drawUnderline}},
        {ToolId::FormatFontColor, {"", drawFontColor}},
        {ToolId::FormatAlignLeft,
         {"format-justify-left",
          [](QPainter &p) {
              drawLines(p, {{3, 21}, {3, 15}, {3, 21}, {3, 13}});
          }}},
        {ToolId::FormatAlignCenter,
         {"format-justify-center",
          [](QPainter &p) {
              drawLines(p, {{3, 21}, {7, 17}, {3, 21}, {8, 16}});
          }}},
        {ToolId::FormatAlignRight,
         {"format-justify-right",
          [](QPainter &p) {
              drawLines(p, {{3, 21}, {9, 21}, {3, 21}, {11, 21}});
          }}},
        {ToolId::FormatMoreIndent, {"format-indent-more", [](QPainter &p) { drawIndent(p, true); }}},
        {ToolId::FormatLessIndent, {"format-indent-less", [](QPainter &p) { drawIndent(p, false); }}},
        {ToolId::FormatBullets, {"format-list-unordered", drawBullets}},
        {QStringLiteral("VarDate"), {"x-office-calendar", drawCalendar}},
    };
    return sources;
}

QIcon drawnIcon(const Drawing &draw)
{
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(size / 24.0, size / 24.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon toolIcon(const QString &toolId)
{
    const auto found = iconSources().constFind(toolId);
    if (found == iconSources().cend())
        return {};
    const QIcon drawn = drawnIcon(found->draw);
    const QString themeName = QString::fromLatin1(found->themeName);
    return themeName.isEmpty() ? drawn : QIcon::fromTheme(themeName, drawn);
}

} // namespace OrvVelmora
