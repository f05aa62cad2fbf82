#pragma once

#include "codec/rtf/RtfSink.h"

#include <QByteArrayView>
#include <QList>
#include <QTextCharFormat>
#include <QTextCursor>

class QTextDocument;
class QTextList;

namespace OrvVelmora {

/// Builds QTextDocument content from what the RTF reader delivers, at a
/// cursor: consecutive list paragraphs of one level and kind share a
/// QTextList, and a list continues after a deeper level has ended, so its
/// numbers go on counting.
class RtfDocumentBuilder final : public RtfSink
{
public:
    explicit RtfDocumentBuilder(const QTextCursor &cursor);

    /// Replaces the document's content by the RTF document. False, with the
    /// document untouched, when the bytes are not a readable RTF document.
    static bool load(QByteArrayView rtf, QTextDocument &document);

    void characters(const QString &text, const RtfCharStyle &style) override;
    void paragraphEnd(const RtfParaStyle &style) override;
    void documentEnd(const RtfParaStyle &style) override;

private:
    void applyParagraph(const RtfParaStyle &style);
    void joinList(const RtfParaStyle &style);

    QTextCursor m_cursor;
    RtfCharStyle m_lastStyle;
    QTextCharFormat m_lastFormat;
    /// The open list of each level, outermost first.
    QList<QTextList *> m_lists;
};

} // namespace OrvVelmora
