#include "SendRunBenchSupport.h"

#include "net/smtp/SmtpTransport.h"
#include "sendrun/CoalescingSendView.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <arpa/inet.h>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

namespace OrvVelmora::Bench {

namespace {

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

quint16 freePort()
{
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (::bind(probe, reinterpret_cast<sockaddr *>(&address), length) != 0)
        address.sin_port = 0; // the server start then fails and says so
    ::getsockname(probe, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

bool listening(quint16 port)
{
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(port);
    const bool ok = ::connect(probe, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(probe);
    return ok;
}

namespace {

qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

void GapMeter::start()
{
    longestGapNs = 0;
    longestCpuGapNs = 0;
    runs = 0;
    m_clock.start();
    m_cpuAtLastRun = threadCpuNs();
}

void GapMeter::processEvents()
{
    if (m_clock.isValid()) {
        longestGapNs = std::max(longestGapNs, m_clock.nsecsElapsed());
        longestCpuGapNs = std::max(longestCpuGapNs, threadCpuNs() - m_cpuAtLastRun);
    }
    ++runs;
    m_real.processEvents();
    m_clock.restart();
    m_cpuAtLastRun = threadCpuNs();
}

MessageAnswer GapMeter::messageBox(const QString &text, const QString &, MessageIcon, MessageButtons buttons,
                                   std::optional<MessageAnswer>)
{
    // Finishing the wizard asks before it sends; that is the one expected question.
    if (text.contains(QStringLiteral(" e-Mails an die ausgewählten Kunden über ")))
        return MessageAnswer::Yes;
    // Nobody else is there to answer: a benchmark that asks has gone wrong, so say so.
    std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

ListeningProcess::~ListeningProcess()
{
    m_process.kill();
    m_process.waitForFinished();
}

quint16 ListeningProcess::choosePort()
{
    return m_port = freePort();
}

bool ListeningProcess::launch(const QString &program, const QStringList &arguments, const char *what)
{
    m_process.start(program, arguments);
    for (int i = 0; i < 100 && m_process.state() != QProcess::NotRunning; ++i) {
        if (listening(m_port))
            return true;
        QThread::msleep(50);
    }
    std::fprintf(stderr, "%s did not start on port %u\n", what, unsigned(m_port));
    return false;
}

bool SmtpSink::start()
{
    const quint16 port = choosePort();
    return launch(QStringLiteral("/usr/sbin/smtp-sink"),
                  {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("127.0.0.1:%1").arg(port),
                   QStringLiteral("100")},
                  "smtp-sink");
}

MessageTemplate sixTokenTemplate()
{
    const QString tokens[] = {QStringLiteral("<#KD_ANREDE#>"), QStringLiteral("<#KD_VORNAME#>"),
                              QStringLiteral("<#KD_NAME#>"),   QStringLiteral("<#KD_FIRMA#>"),
                              QStringLiteral("<#KD_ORT#>"),    QStringLiteral("<#DATE#>")};
    MessageTemplate message;
    QString body;
    for (const QString &token : tokens) {
        const QString sentence = QStringLiteral("Sehr geehrte Kundin, lieber Kunde, hier steht ") + token +
            QStringLiteral(" mitten in einem Satz über unsere Angebote für Sie. ");
        message.plain += sentence + QStringLiteral("\n");
        body += QStringLiteral("{\\b Wichtig:} ") +
            QString(sentence).replace(QStringLiteral("ü"), QStringLiteral("\\'fc")) + QStringLiteral("\\par\n");
    }
    while (message.plain.size() < 2500) {
        const QString filler = QStringLiteral("Ein gewöhnlicher Absatz mit etwas Text zum Lesen und Weiterleiten. ");
        message.plain += filler;
        body += QStringLiteral("\\qc ") + QString(filler).replace(QStringLiteral("ö"), QStringLiteral("\\'f6")) +
            QStringLiteral("\\par\\pard\n");
    }
    message.rtf = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ") + body +
        QStringLiteral("}");
    return message;
}

EngineRun runEngine(GapMeter &meter, quint16 port, const QString &attachment, int recipients)
{
    PlatformServices::setInstance(&meter);
    WidgetView view(port, attachment);
    NumberedRecipients list(recipients);
    SmtpTransport transport;
    CoalescingSendView display(view);
    SendRun run(transport, display, list);
    QElapsedTimer clock;
    clock.start();
    meter.start();
    run.run();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    PlatformServices::setInstance(nullptr);
    return {view.labelText(SendLabel::lblOK).toInt(), view.labelText(SendLabel::lblError).toInt(), seconds};
}

QString writeAttachment(const QString &directory)
{
    QString path = QDir(directory).filePath(QStringLiteral("Preisliste.txt"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        for (int i = 0; i < 400; ++i)
            file.write("Artikel;Bezeichnung;Preis in Euro;Lieferzeit in Tagen\n");
    return path;
}

void printFigures(const char *prefix, int sent, int refused, double seconds, const GapMeter &meter)
{
    std::printf("%s_messages_sent: %d messages\n", prefix, sent);
    std::printf("%s_refused: %d messages\n", prefix, refused);
    std::printf("%s_throughput: %.0f msgs/s\n", prefix, sent / seconds);
    std::printf("%s_total: %.2f s\n", prefix, seconds);
    std::printf("%s_longest_event_gap: %.1f ms\n", prefix, double(meter.longestGapNs) / 1e6);
    std::printf("%s_event_runs: %lld runs\n", prefix, static_cast<long long>(meter.runs));
}

} // namespace OrvVelmora::Bench
