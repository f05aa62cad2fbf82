#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace OrvVelmora {

/// Turns HTML from the clipboard (a web page, a word processor, a mail) into
/// RTF, so that a paste of HTML takes the same road as a paste of RTF and
/// keeps exactly what the editor keeps: bold, italic, underline, colours,
/// fonts, alignment and lists. Links become their text in the surrounding
/// look, pictures and other objects are dropped; the text itself never is.
///
/// The encoding is taken from a byte-order mark or the document's meta tag,
/// UTF-8 otherwise, as browsers put HTML on the clipboard.
class HtmlToRtf
{
public:
    /// `text`, when given, receives the words the RTF holds.
    [[nodiscard]] static QByteArray convert(QByteArrayView html, QString *text = nullptr);
};

} // namespace OrvVelmora
