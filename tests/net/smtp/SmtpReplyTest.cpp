#include "net/smtp/SmtpReply.h"

#include <gtest/gtest.h>

using namespace OrvVelmora;

namespace {

using State = SmtpReplyReader::State;

// However the network cuts the bytes, pipelined replies come out whole and in order.
TEST(SmtpReplyReader, RepliesComeOutWholeHoweverTheBytesArrive)
{
    const QByteArray wire = "220 mail.example ESMTP\r\n250-mail.example\r\n250-PIPELINING\r\n250 SIZE 1000\r\n"
                            "354\n550 5.1.1 <kunde@example.com>: user unknown\r\n";
    for (const qsizetype piece : {qsizetype(1), qsizetype(7), wire.size()}) {
        SCOPED_TRACE(piece);
        SmtpReplyReader reader;
        QList<SmtpReply> replies;
        SmtpReply reply;
        for (qsizetype at = 0; at < wire.size(); at += piece) {
            reader.append(QByteArrayView(wire).sliced(at, qMin(piece, wire.size() - at)));
            while (reader.next(reply) == State::Complete)
                replies << reply;
        }
        ASSERT_EQ(replies.size(), 4);
        EXPECT_EQ(replies[0].code, 220);
        EXPECT_EQ(replies[1].lines, (QList<QByteArray>{"mail.example", "PIPELINING", "SIZE 1000"}));
        EXPECT_EQ(replies[2].code, 354);
        EXPECT_EQ(replies[3].text(), QByteArray("550 5.1.1 <kunde@example.com>: user unknown"));
    }
}

// A server gone astray is given up at once, and stays given up until the
// connection starts anew: nothing it sends later may pass for a reply.
TEST(SmtpReplyReader, WhatIsNoReplyIsGarbledUntilCleared)
{
    const QByteArray endless = QByteArray("250-line\r\n").repeated(SmtpReplyReader::kMaxLines + 1);
    const QByteArray longLine(SmtpReplyReader::kMaxLineBytes + 1, 'x');
    for (const QByteArray &row :
         {QByteArray("hello\r\n"), QByteArray("+25 ok\r\n"), QByteArray("-50 2.1.0 Ok\r\n"), QByteArray(" 25 Ok\r\n"),
          QByteArray("2500 ok\r\n"), QByteArray("250?x\r\n"), endless, longLine, "250 " + longLine + "\r\n"}) {
        SCOPED_TRACE(row.left(20).toStdString());
        SmtpReplyReader reader;
        SmtpReply reply;
        reader.append(row);
        EXPECT_EQ(reader.next(reply), State::Garbled);
        reader.append("250 OK\r\n");
        EXPECT_EQ(reader.next(reply), State::Garbled);
        reader.clear();
        reader.append("250 OK\r\n");
        ASSERT_EQ(reader.next(reply), State::Complete);
        EXPECT_EQ(reply.text(), QByteArray("250 OK"));
    }
}

} // namespace
