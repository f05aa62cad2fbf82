#include "net/smtp/SmtpReply.h"

#include <algorithm>
#include <utility>

namespace OrvVelmora {

QByteArray SmtpReply::text() const
{
    QByteArray joined = QByteArray::number(code);
    for (const QByteArray &line : lines) {
        if (!line.isEmpty())
            joined += ' ' + line;
    }
    return joined;
}

void SmtpReplyReader::append(QByteArrayView bytes)
{
    if (!m_garbled)
        m_in.append(bytes);
}

bool SmtpReplyReader::takeLine(QByteArray &line)
{
    const qsizetype end = m_in.indexOf('\n');
    if (end < 0)
        return false;
    line = m_in.left(end);
    m_in.remove(0, end + 1);
    if (line.endsWith('\r'))
        line.chop(1);
    return true;
}

SmtpReplyReader::State SmtpReplyReader::next(SmtpReply &reply)
{
    QByteArray line;
    while (!m_garbled && takeLine(line)) {
        // Three digits, then a blank on the last line or a hyphen before more.
        const bool digits = line.size() >= 3 &&
            std::all_of(line.cbegin(), line.cbegin() + 3, [](char c) { return c >= '0' && c <= '9'; });
        const bool last = line.size() == 3 || (line.size() > 3 && line.at(3) == ' ');
        const bool more = line.size() > 3 && line.at(3) == '-';
        if (!digits || (!last && !more) || line.size() > kMaxLineBytes || m_partial.lines.size() >= kMaxLines) {
            m_garbled = true;
            break;
        }
        m_partial.lines.append(line.mid(4));
        if (last) {
            m_partial.code = line.left(3).toInt();
            reply = std::exchange(m_partial, SmtpReply());
            return State::Complete;
        }
    }
    // A line that never ends is given up rather than held without bound.
    if (m_in.size() > kMaxLineBytes)
        m_garbled = true;
    return m_garbled ? State::Garbled : State::Incomplete;
}

void SmtpReplyReader::clear()
{
    m_in.clear();
    m_partial = SmtpReply();
    m_garbled = false;
}

} // namespace OrvVelmora
