#pragma once

#include "codec/rtf/RtfSink.h"

#include <QList>
#include <QString>

namespace OrvVelmora {

/// Writes what the RTF reader delivers as an HTML document for mail
/// clients: inline styles only (clients drop <style> blocks), one <p> per
/// paragraph with zero margins so the spacing is the editor's, runs as
/// <span>s, list paragraphs gathered into <ul> or <ol> lists (a deeper level
/// nested inside the item before it), line breaks as
/// <br>. The runs keep white space as typed (pre-wrap), because the editor
/// shows blanks and tabs as they are; the markup between blocks does not.
class RtfHtmlBuilder final : public RtfSink
{
public:
    RtfHtmlBuilder();

    void characters(const QString &text, const RtfCharStyle &style) override;
    void paragraphEnd(const RtfParaStyle &style) override;
    void documentEnd(const RtfParaStyle &style) override;

    /// The finished document; valid after documentEnd().
    [[nodiscard]] QString html() const { return m_html; }

private:
    void closeParagraph(const RtfParaStyle &style);
    void listItem(const RtfParaStyle &style);
    void openList(int leftIndent, RtfParaStyle::Numbering numbering);
    void closeLists(int keep);
    void spanStyle(const RtfCharStyle &style);
    void escaped(const QString &text);
    [[nodiscard]] static QString blockFont(const RtfCharStyle &style);

    QString m_html;
    QString m_paragraph;
    RtfCharStyle m_lastStyle;
    QString m_paragraphFont;
    /// The kind of each open list, outermost first.
    QList<RtfParaStyle::Numbering> m_openLists;
};

} // namespace OrvVelmora
