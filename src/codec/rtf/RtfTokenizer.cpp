#include "codec/rtf/RtfTokenizer.h"

#include <algorithm>
#include <limits>

namespace OrvVelmora {

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool endsText(char c)
{
    return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n' || c == '\0';
}

RtfToken tokenOf(RtfToken::Kind kind)
{
    RtfToken token;
    token.kind = kind;
    return token;
}

} // namespace

RtfTokenizer::RtfTokenizer(QByteArrayView input)
    : m_input(input)
{
}

RtfToken RtfTokenizer::next()
{
    while (m_pos < m_input.size()) {
        const char c = m_input[m_pos];
        switch (c) {
        case '{': ++m_pos; return tokenOf(RtfToken::GroupOpen);
        case '}': ++m_pos; return tokenOf(RtfToken::GroupClose);
        case '\\': return backslash();
        case '\r':
        case '\n':
        case '\0': ++m_pos; continue;
        default: return text();
        }
    }
    return tokenOf(RtfToken::End);
}

RtfToken RtfTokenizer::text()
{
    const qsizetype start = m_pos;
    while (m_pos < m_input.size() && !endsText(m_input[m_pos]))
        ++m_pos;
    RtfToken token = tokenOf(RtfToken::Text);
    token.data = m_input.sliced(start, m_pos - start);
    return token;
}

RtfToken RtfTokenizer::backslash()
{
    ++m_pos;
    if (m_pos >= m_input.size())
        return tokenOf(RtfToken::End);
    const char c = m_input[m_pos];
    if (isLetter(c))
        return controlWord();
    ++m_pos;
    if (c == '\'')
        return hexByte();
    RtfToken token = tokenOf(RtfToken::ControlSymbol);
    token.symbol = static_cast<unsigned char>(c);
    return token;
}

RtfToken RtfTokenizer::hexByte()
{
    // A broken escape (fewer than two hex digits) yields a symbol nobody
    // handles; the digits it has are consumed, anything else stays text.
    int value = 0;
    int digits = 0;
    while (digits < 2 && m_pos < m_input.size() && hexValue(m_input[m_pos]) >= 0) {
        value = value * 16 + hexValue(m_input[m_pos]);
        ++m_pos;
        ++digits;
    }
    if (digits < 2)
        return tokenOf(RtfToken::ControlSymbol);
    RtfToken token = tokenOf(RtfToken::HexByte);
    token.symbol = static_cast<unsigned char>(value);
    return token;
}

RtfToken RtfTokenizer::controlWord()
{
    const qsizetype start = m_pos;
    while (m_pos < m_input.size() && isLetter(m_input[m_pos]))
        ++m_pos;
    RtfToken token = tokenOf(RtfToken::ControlWord);
    token.data = m_input.sliced(start, std::min<qsizetype>(m_pos - start, kMaxWordLength));
    token.parameter = parameter(token.hasParameter);
    if (m_pos < m_input.size() && m_input[m_pos] == ' ')
        ++m_pos;
    if (token.data == "bin") {
        const qsizetype length = std::clamp<qsizetype>(token.parameter, 0, m_input.size() - m_pos);
        token.kind = RtfToken::Binary;
        token.data = m_input.sliced(m_pos, length);
        m_pos += length;
    }
    return token;
}

int RtfTokenizer::parameter(bool &present)
{
    const bool negative = m_pos + 1 < m_input.size() && m_input[m_pos] == '-' && isDigit(m_input[m_pos + 1]);
    if (negative)
        ++m_pos;
    present = m_pos < m_input.size() && isDigit(m_input[m_pos]);
    // Saturate instead of overflowing; the digits are consumed in any case.
    constexpr qint64 limit = std::numeric_limits<int>::max();
    qint64 value = 0;
    while (m_pos < m_input.size() && isDigit(m_input[m_pos])) {
        value = std::min(limit + 1, value * 10 + (m_input[m_pos] - '0'));
        ++m_pos;
    }
    if (negative)
        return static_cast<int>(std::max(-value, -limit - 1));
    return static_cast<int>(std::min(value, limit));
}

} // namespace OrvVelmora
