#include "codec/rtf/HtmlToRtf.h"

#include "codec/rtf/RtfWriter.h"

#include <QStringConverter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace OrvVelmora {

namespace {

QString decoded(QByteArrayView html)
{
    const QStringConverter::Encoding encoding =
        QStringConverter::encodingForHtml(html).value_or(QStringConverter::Utf8);
    QStringDecoder decoder(encoding);
    QString text = decoder(html);
    // Some programs put the clipboard's description header of another
    // system ("Version:0.9 StartHTML:…") in front of the markup.
    if (text.startsWith(QLatin1String("Version:")))
        text.remove(0, std::max<qsizetype>(0, text.indexOf(QLatin1Char('<'))));
    return text;
}

// A link keeps its words; the address, and the blue and underline Qt gives
// every link, go, so it reads like the text around it.
void plainLink(QTextCharFormat &format)
{
    format.setAnchor(false);
    format.setAnchorHref(QString());
    format.setAnchorNames({});
    format.clearForeground();
    format.setFontUnderline(false);
}

// Pictures and embedded objects stand in the text as one replacement
// character each; they go, and links are made plain, fragment by fragment.
void keepOnlyText(QTextDocument &document)
{
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (QTextBlock block = document.lastBlock(); block.isValid(); block = block.previous()) {
        QList<QTextFragment> fragments;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            fragments.prepend(it.fragment());
        for (const QTextFragment &fragment : fragments) {
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat() || fragment.text().contains(QChar::ObjectReplacementCharacter)) {
                cursor.insertText(QString(fragment.text()).remove(QChar::ObjectReplacementCharacter));
            } else if (format.isAnchor()) {
                plainLink(format);
                cursor.setCharFormat(format);
            }
        }
    }
    cursor.endEditBlock();
}

} // namespace

QByteArray HtmlToRtf::convert(QByteArrayView html, QString *text)
{
    QTextDocument document;
    document.setHtml(decoded(html));
    keepOnlyText(document);
    if (text)
        *text = document.toPlainText();
    return RtfWriter::write(document);
}

} // namespace OrvVelmora
