#include "net/smtp/SmtpReply.h"

#include <algorithm>

namespace OrvVelmora {

namespace {

// Three digits and nothing else: toInt() alone would also take "-50" or " 25".
bool startsWithCode(const QByteArray &line)
{
    return line.size() >= 3 &&
        std::all_of(line.cbegin(), line.cbegin() + 3, [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

QByteArray SmtpReply::text() const
{
    QByteArray joined = QByteArray::number(code);
    for (const QByteArray &line : lines) {
        if (!line.isEmpty())
            joined += ' ' + line;
    }
    return joined;
}

bool SmtpReplyReader::takeLine(QByteArray &line, bool &garbled)
{
    const qsizetype end = m_in.indexOf('\n');
    if (end < 0) {
        garbled = m_in.size() > kMaxLineBytes;
        return garbled;
    }
    line = m_in.left(end);
    m_in.remove(0, end + 1);
    if (line.endsWith('\r'))
        line.chop(1);
    garbled = line.size() > kMaxLineBytes;
    return true;
}

SmtpReplyReader::Result SmtpReplyReader::read(SmtpReply &reply)
{
    QByteArray line;
    bool garbled = false;
    while (takeLine(line, garbled)) {
        if (garbled || !startsWithCode(line) || reply.lines.size() >= kMaxReplyLines)
            return Result::Garbled;
        const int code = line.left(3).toInt();
        reply.lines.append(line.mid(4));
        if (line.size() == 3 || line.at(3) == ' ') {
            reply.code = code;
            return Result::Complete;
        }
        if (line.at(3) != '-')
            return Result::Garbled;
    }
    return Result::NeedMore;
}

} // namespace OrvVelmora
