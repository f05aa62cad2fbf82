#include "outside/rtf/RtfDocumentBuilder.h"

#include "outside/rtf/RtfLog.h"
#include "outside/rtf/RtfQtFormats.h"
#include "outside/rtf/RtfReader.h"

#include <QTextDocument>
#include <QTextList>

namespace OrvVelmora {

namespace {

QTextListFormat::Style bulletStyle(int level)
{
    static constexpr QTextListFormat::Style kStyles[] = {QTextListFormat::ListDisc, QTextListFormat::ListCircle,
                                                         QTextListFormat::ListSquare};
    return kStyles[level % 3];
}

// QTextList marks every item dirty whenever one is added, so one list of
// n items costs n squared. Bullets carry no numbers: a long run of them split
// into several lists looks the same and stays linear.
constexpr int kMaxListItems = 256;

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
    if (style.bullet)
        joinList(style);
    else
        m_list = nullptr;
}

void RtfDocumentBuilder::joinList(const RtfParaStyle &style)
{
    if (m_list && m_listLevel == style.level && m_list->count() < kMaxListItems) {
        m_list->add(m_cursor.block());
        return;
    }
    QTextListFormat format;
    format.setStyle(bulletStyle(style.level));
    format.setIndent(style.level + 1);
    const QTextBlockFormat keep = m_cursor.blockFormat();
    m_list = m_cursor.createList(format);
    QTextBlockFormat restored = keep;
    restored.setObjectIndex(m_list->objectIndex());
    m_cursor.setBlockFormat(restored);
    m_listLevel = style.level;
}

} // namespace OrvVelmora
