#include "codec/rtf/RtfDocumentBuilder.h"

#include "codec/rtf/RtfLog.h"
#include "codec/rtf/RtfQtFormats.h"
#include "codec/rtf/RtfReader.h"

#include <QTextDocument>
#include <QTextList>

namespace OrvVelmora {

namespace {

// QTextList marks every item dirty whenever one is added, so one list of
// n items costs n squared. Bullets carry no numbers: a long run of them split
// into several lists looks the same and stays linear. A numbered list split
// would start counting again, so it may grow far longer first.
int maxListItems(const RtfParaStyle &style)
{
    return style.numbering == RtfParaStyle::Numbering::Bullet ? 256 : 2000;
}

} // namespace

RtfDocumentBuilder::RtfDocumentBuilder(const QTextCursor &cursor)
    : m_cursor(cursor)
    , m_lastFormat(RtfQtFormats::charFormat(m_lastStyle))
{
}

bool RtfDocumentBuilder::load(QByteArrayView rtf, QTextDocument &document)
{
    if (!RtfReader::accepts(rtf)) {
        qCDebug(lcRtf) << "not RTF; the document is left as it was";
        return false;
    }
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    RtfDocumentBuilder builder(cursor);
    RtfReader::read(rtf, builder);
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
    return true;
}

void RtfDocumentBuilder::characters(const QString &text, const RtfCharStyle &style)
{
    if (!(style == m_lastStyle)) {
        m_lastStyle = style;
        m_lastFormat = RtfQtFormats::charFormat(style);
    }
    m_cursor.insertText(text, m_lastFormat);
}

void RtfDocumentBuilder::paragraphEnd(const RtfParaStyle &style)
{
    applyParagraph(style);
    m_cursor.insertBlock(QTextBlockFormat(), m_lastFormat);
}

void RtfDocumentBuilder::documentEnd(const RtfParaStyle &style)
{
    applyParagraph(style);
}

void RtfDocumentBuilder::applyParagraph(const RtfParaStyle &style)
{
    const qreal indentWidth = m_cursor.document()->indentWidth();
    m_cursor.setBlockFormat(RtfQtFormats::blockFormat(style, indentWidth));
    m_cursor.setBlockCharFormat(m_lastFormat);
    if (style.listItem)
        joinList(style);
    else
        m_lists.clear();
}

void RtfDocumentBuilder::joinList(const RtfParaStyle &style)
{
    const QTextListFormat::Style wanted = RtfQtFormats::listStyle(style.numbering, style.level);
    m_lists.resize(std::min<qsizetype>(m_lists.size(), style.level + 1));
    QTextList *open = m_lists.size() == style.level + 1 ? m_lists.last() : nullptr;
    if (open && open->format().style() == wanted && open->count() < maxListItems(style)) {
        open->add(m_cursor.block());
        return;
    }
    QTextListFormat format;
    format.setStyle(wanted);
    format.setIndent(style.level + 1);
    const QTextBlockFormat keep = m_cursor.blockFormat();
    QTextList *list = m_cursor.createList(format);
    QTextBlockFormat restored = keep;
    restored.setObjectIndex(list->objectIndex());
    m_cursor.setBlockFormat(restored);
    m_lists.resize(style.level + 1, nullptr);
    m_lists.last() = list;
}

} // namespace OrvVelmora
