// Messages per second over one SMTP session to Postfix's smtp-sink on loopback:
// 2,000 personalised multipart messages of about 2.5 kB each. (Large
// attachments: AttachmentBench.)
#include "net/smtp/SmtpTransport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

using namespace OrvVelmora;

namespace {

constexpr int kMessages = 2000;

quint16 freePort()
{
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(probe, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        address.sin_port = 0; // the server start then fails and says so
    getsockname(probe, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

bool startSink(QProcess &sink, quint16 port, SmtpTransport &transport)
{
    sink.start(QStringLiteral("/usr/sbin/smtp-sink"),
               {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("127.0.0.1:%1").arg(port),
                QStringLiteral("100")});
    for (int i = 0; i < 100 && sink.state() != QProcess::NotRunning; ++i) {
        if (transport.Connect())
            return true;
        QThread::msleep(50);
    }
    return false;
}

void personalise(SmtpTransport &transport, int i)
{
    const QString name = QStringLiteral("Kundin Nr. %1 Müller").arg(i);
    QString plain = QStringLiteral("Sehr geehrte %1,\n\n").arg(name);
    for (int line = 0; line < 13; ++line)
        plain += QStringLiteral("wir freuen uns, Ihnen unser neues Angebot Nr. %1-%2 vorzustellen.\n").arg(i).arg(line);
    transport.setRecipient(QStringLiteral("kunde%1@example.com").arg(i));
    transport.setBody(plain);
    transport.setFormattedBody(QStringLiteral("<html><body><p>") +
                               plain.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>\n")) +
                               QStringLiteral("</p></body></html>"));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    SmtpTransport transport;
    const quint16 port = freePort();
    transport.setServer(QStringLiteral("127.0.0.1"));
    transport.setPort(port);
    transport.setFromName(QStringLiteral("Versand Velmora"));
    transport.setFromAddress(QStringLiteral("versand@example.de"));
    transport.setOrganization(QStringLiteral("Velmora GmbH"));
    transport.setSubject(QStringLiteral("Unser Angebot für Sie – Oktober"));
    QProcess sink;
    if (!startSink(sink, port, transport)) {
        std::fprintf(stderr, "smtp-sink did not start: %s\n", qPrintable(transport.LastError()));
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    int sent = 0;
    for (int i = 0; i < kMessages; ++i) {
        personalise(transport, i);
        // As the send run does: the next envelope rides with this message's end.
        if (i + 1 < kMessages)
            transport.setNextRecipient(QStringLiteral("kunde%1@example.com").arg(i + 1));
        sent += transport.Send() >= 1 ? 1 : 0;
    }
    transport.Disconnect();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::printf("smtp_one_session_messages: %d messages\n", sent);
    std::printf("smtp_one_session_rate: %.0f messages/s\n", sent / seconds);
    sink.kill();
    sink.waitForFinished();
    return sent == kMessages ? 0 : 1;
}
