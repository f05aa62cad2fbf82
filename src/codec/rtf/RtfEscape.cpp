#include "codec/rtf/RtfEscape.h"

namespace OrvVelmora {

namespace {

bool isLineBreak(char16_t unit)
{
    return unit == u'\r' || unit == u'\n' || unit == 0x2028 || unit == 0x2029;
}

void appendUnicode(QByteArray &out, char16_t unit, RtfUnicodeStyle style)
{
    const QByteArray escape = "\\u" + QByteArray::number(static_cast<qint16>(unit)) + '?';
    out += style == RtfUnicodeStyle::Grouped ? '{' + escape + '}' : escape;
}

} // namespace

QByteArray rtfEscape(QStringView text, RtfUnicodeStyle style)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 4);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit == u'\\' || unit == u'{' || unit == u'}') {
            out += '\\';
            out += char(unit);
        } else if (unit == u'\t') {
            out += "\\tab ";
        } else if (isLineBreak(unit)) {
            // CR LF is one break, not two.
            if (unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += "\\line ";
        } else if (unit >= 0x20 && unit < 0x7f) {
            out += char(unit);
        } else {
            appendUnicode(out, unit, style);
        }
    }
    return out;
}

} // namespace OrvVelmora
