#include "wizard/merge/MergeText.h"

namespace OrvVelmora {

namespace {

void appendUnicode(QString &out, char16_t unit)
{
    // RTF wants a signed 16-bit number; '?' is the one fallback character
    // that readers without Unicode support show instead (\uc1).
    out += QStringLiteral("\\u%1?").arg(static_cast<qint16>(unit));
}

} // namespace

QString RtfEscape(const QString &value)
{
    QString out;
    out.reserve(value.size() + value.size() / 4);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t unit = value.at(i).unicode();
        switch (unit) {
        case u'\\':
        case u'{':
        case u'}':
            out += QLatin1Char('\\');
            out += QChar(unit);
            break;
        case u'\r':
            if (i + 1 < value.size() && value.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += QLatin1String("\\line ");
            break;
        case u'\n':
            out += QLatin1String("\\line ");
            break;
        case u'\t':
            out += QLatin1String("\\tab ");
            break;
        default:
            if (unit >= 0x20 && unit < 0x7f)
                out += QChar(unit);
            else
                appendUnicode(out, unit);
        }
    }
    return out;
}

} // namespace OrvVelmora
