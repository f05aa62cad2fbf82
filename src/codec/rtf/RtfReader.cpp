#include "codec/rtf/RtfReader.h"

#include "codec/rtf/RtfInterpreter.h"

namespace OrvVelmora {

namespace {

qsizetype headerOffset(QByteArrayView rtf)
{
    qsizetype pos = rtf.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (pos < rtf.size() && (rtf[pos] == ' ' || rtf[pos] == '\t' || rtf[pos] == '\r' || rtf[pos] == '\n'))
        ++pos;
    return rtf.sliced(pos).startsWith("{\\rtf") ? pos : -1;
}

} // namespace

bool RtfReader::accepts(QByteArrayView rtf, const Limits &limits)
{
    return rtf.size() <= limits.maxInputBytes && headerOffset(rtf) >= 0;
}

QByteArray RtfReader::fromText(const QString &rtf)
{
    QByteArray bytes;
    bytes.reserve(rtf.size());
    for (const QChar c : rtf) {
        if (c.unicode() < 0x80)
            bytes += char(c.unicode());
        else
            bytes += "\\uc1\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    }
    return bytes;
}

bool RtfReader::read(QByteArrayView rtf, RtfSink &sink, const Limits &limits)
{
    if (!accepts(rtf, limits))
        return false;
    const qsizetype offset = headerOffset(rtf);
    // The document's own group is opened here, so the loop treats everything
    // inside it as body and stops at its closing brace.
    RtfReading::RtfInterpreter interpreter(rtf.sliced(offset + 1), sink, limits);
    interpreter.run();
    return true;
}

} // namespace OrvVelmora
