#include "net/smtp/SmtpTrace.h"

#include "net/smtp/SmtpLog.h"

namespace OrvVelmora {

SmtpTrace::SmtpTrace(const QString &user, const QString &password, const QString &oauthToken)
    : m_login(user, password, oauthToken)
{
}

bool SmtpTrace::wanted()
{
    return lcSmtpTrace().isDebugEnabled();
}

QByteArray SmtpTrace::shown(const QByteArray &line) const
{
    if (m_answeringChallenge)
        return QByteArrayLiteral("***");
    // "AUTH PLAIN <initial response>": the mechanism is worth seeing, the rest is not.
    if (line.left(5).toUpper() == "AUTH ") {
        const QList<QByteArray> words = line.split(' ');
        return words.size() > 2 ? words[0] + ' ' + words[1] + " ***" : line;
    }
    return m_login.scrubbed(line);
}

void SmtpTrace::client(const QByteArray &bytes)
{
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            qCDebug(lcSmtpTrace).noquote() << "C:" << QString::fromUtf8(shown(line));
    }
}

void SmtpTrace::body(qint64 bytes)
{
    m_answeringChallenge = false;
    qCDebug(lcSmtpTrace).noquote() << "C: (Nachricht," << bytes << "Bytes)";
}

void SmtpTrace::server(const SmtpReply &reply)
{
    for (qsizetype i = 0; i < reply.lines.size(); ++i) {
        const char separator = i + 1 < reply.lines.size() ? '-' : ' ';
        qCDebug(lcSmtpTrace).noquote() << "S:"
                                       << QString::fromUtf8(QByteArray::number(reply.code) + separator +
                                                            m_login.scrubbed(reply.lines[i]));
    }
    m_answeringChallenge = reply.code == 334;
}

} // namespace OrvVelmora
