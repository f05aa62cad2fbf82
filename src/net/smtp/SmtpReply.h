#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace OrvVelmora {

/// One complete server reply: its code and its lines without the code.
struct SmtpReply
{
    int code = 0;
    QList<QByteArray> lines;

    bool isPositive() const { return code >= 200 && code < 400; }
    /// The lines joined by blanks, the code in front ("550 5.1.1 No such user").
    QByteArray text() const;
};

/// Cuts the bytes a server sends into replies. Bytes go in as they arrive,
/// in pieces of any size; a reply comes out once its final line is complete.
/// Replies sent together (pipelining) come out one after the other.
///
/// Whatever a server sends, the reader never holds more than one line of
/// kMaxLineBytes and one reply of kMaxLines lines: a line without an end, an
/// endless continuation or a line that is no reply ("hello", "2500 ok",
/// "250?x") makes it Garbled, and it stays so until clear().
class SmtpReplyReader
{
public:
    /// RFC 5321 allows 512 octets per reply line; servers exceed it, but not by this much.
    static constexpr qsizetype kMaxLineBytes = 8192;
    /// An EHLO reply has a dozen lines; a hundred times that is a server gone astray.
    static constexpr qsizetype kMaxLines = 200;

    enum class State { Incomplete, Complete, Garbled };

    void append(QByteArrayView bytes);
    /// Complete: reply holds the next reply. Incomplete: more bytes are needed.
    State next(SmtpReply &reply);
    /// Forgets every byte and the reply begun (a new connection, or TLS starting).
    void clear();

private:
    bool takeLine(QByteArray &line);

    QByteArray m_in;
    SmtpReply m_partial;
    bool m_garbled = false;
};

} // namespace OrvVelmora
