#include "settings/IniText.h"

#include <QRegularExpression>

namespace OrvVelmora {

namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

QByteArray hexEscape(char c)
{
    return "\\x" + QByteArray::number(static_cast<unsigned char>(c), 16);
}

// "[Velmora]" gives "Velmora"; any other line gives nothing.
QString sectionOf(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.size() < 2 || !trimmed.startsWith('[') || !trimmed.endsWith(']'))
        return {};
    return QString::fromUtf8(trimmed.mid(1, trimmed.size() - 2));
}

QString keyOf(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    const qsizetype equals = trimmed.indexOf('=');
    if (trimmed.startsWith(';') || trimmed.startsWith('#') || equals <= 0)
        return {};
    return QString::fromUtf8(trimmed.left(equals).trimmed());
}

QByteArray entry(const std::pair<QString, QString> &value)
{
    return value.first.toUtf8() + '=' + IniText::escaped(value.second);
}

// The section's lines with the values set: a key present is replaced where it
// stands (a repeated one is dropped), a missing one follows the last entry.
void setInSection(QList<QByteArray> &section, const IniText::Values &values, const QStringList &removed)
{
    QList<bool> written(values.size(), false);
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QString key = keyOf(section[i]);
        if (!key.isEmpty() && removed.contains(key)) {
            section.removeAt(i--);
            continue;
        }
        for (qsizetype v = 0; v < values.size() && !key.isEmpty(); ++v) {
            if (values[v].first != key)
                continue;
            if (written[v])
                section.removeAt(i--);
            else
                section[i] = entry(values[v]);
            written[v] = true;
            break;
        }
    }
    qsizetype end = section.size();
    while (end > 1 && section[end - 1].trimmed().isEmpty())
        --end;
    for (qsizetype v = 0; v < values.size(); ++v) {
        if (!written[v])
            section.insert(end++, entry(values[v]));
    }
}

} // namespace

bool IniText::plainKeys(const Values &values)
{
    static const QRegularExpression kPlain(QStringLiteral("^[A-Za-z0-9_.-]+$"));
    for (const auto &value : values) {
        if (!kPlain.match(value.first).hasMatch())
            return false;
    }
    return true;
}

QByteArray IniText::withValues(const QByteArray &text, const QString &section, const Values &values,
                               const QStringList &removed)
{
    QList<QByteArray> lines = text.isEmpty() ? QList<QByteArray>() : text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    qsizetype begin = -1;
    for (qsizetype i = 0; i < lines.size() && begin < 0; ++i) {
        if (sectionOf(lines[i]) == section)
            begin = i;
    }
    if (begin < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QByteArray());
        begin = lines.size();
        lines.append('[' + section.toUtf8() + ']');
    }
    qsizetype end = begin + 1;
    while (end < lines.size() && sectionOf(lines[end]).isEmpty())
        ++end;
    QList<QByteArray> body = lines.mid(begin, end - begin);
    setInSection(body, values, removed);
    QList<QByteArray> result = lines.mid(0, begin) + body + lines.mid(end);
    QByteArray joined;
    for (const QByteArray &line : result)
        joined += (line.endsWith('\r') ? line.chopped(1) : line) + '\n';
    return joined;
}

QByteArray IniText::escaped(const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    QByteArray out = value.startsWith(QLatin1Char('@')) ? QByteArray("@") : QByteArray();
    bool quote = value.startsWith(QLatin1Char(' ')) || value.endsWith(QLatin1Char(' '));
    bool afterHexEscape = false;
    for (const char c : utf8) {
        quote = quote || c == ',' || c == ';' || c == '=';
        const auto byte = static_cast<unsigned char>(c);
        // QSettings reads hex digits after "\x" for as long as they come.
        const bool control = byte < 0x20 || byte == 0x7f;
        if (control || (afterHexEscape && isHexDigit(c))) {
            out += hexEscape(c);
            afterHexEscape = true;
            continue;
        }
        afterHexEscape = false;
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return quote ? '"' + out + '"' : out;
}

} // namespace OrvVelmora
