#include "codec/rtf/MarkedPlainText.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

namespace OrvVelmora {

namespace {

bool bulleted(QTextListFormat::Style style)
{
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle ||
        style == QTextListFormat::ListSquare;
}

QString marker(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return {};
    const QTextListFormat format = list->format();
    const QString indent(2 * std::max(0, format.indent() - 1), QLatin1Char(' '));
    const QString item = bulleted(format.style()) ? QStringLiteral("•") : list->itemText(block);
    return indent + (item.isEmpty() ? QStringLiteral("•") : item) + QLatin1Char(' ');
}

} // namespace

QString MarkedPlainText::of(const QTextDocument &document)
{
    QString text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            text += QLatin1Char('\n');
        text += marker(block) + block.text();
    }
    // The same characters toPlainText() normalises.
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    return text;
}

} // namespace OrvVelmora
