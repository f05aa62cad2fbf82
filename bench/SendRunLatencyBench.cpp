// The send run's engine against a server 20 ms away (a round trip typical of
// a provider): Python's latency proxy adds 10 ms each way in front of Postfix's
// smtp-sink. 51 recipients (one batch) and 120 (three batches), each run side
// by side with a plain smtplib script over the same proxy, which pays four
// round trips per message.
#include "SendRunBenchSupport.h"

#include <QApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

using namespace OrvVelmora;
using namespace OrvVelmora::Bench;

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

/// The proxy on a free port in front of the target port.
class LatencyProxy final : public ListeningProcess
{
public:
    bool start(const QString &tools, quint16 target)
    {
        const quint16 port = choosePort();
        return launch(kPython,
                      {tools + QStringLiteral("/latency_proxy.py"), QString::number(port), QString::number(target),
                       QStringLiteral("10")},
                      "latency proxy");
    }
};

double sendRun(quint16 port, int recipients)
{
    GapMeter meter;
    const EngineRun run = runEngine(meter, port, QString(), recipients);
    std::printf("sendrun_rtt20_%d_longest_event_gap: %.1f ms\n", recipients, double(meter.longestGapNs) / 1e6);
    return run.sent == recipients ? run.sent / run.seconds : 0.0;
}

double peer(const QString &tools, quint16 port, int recipients)
{
    QProcess script;
    script.start(kPython,
                 {tools + QStringLiteral("/peer_smtplib.py"), QString::number(recipients), QString::number(port)});
    script.waitForFinished(120000);
    static const QRegularExpression rateLine(QStringLiteral("msgs_per_s: ([0-9.]+)"));
    const QRegularExpressionMatch rate = rateLine.match(QString::fromUtf8(script.readAllStandardOutput()));
    return rate.hasMatch() ? rate.captured(1).toDouble() : 0.0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString tools = QStringLiteral(ORV_SOURCE_DIR "/../shared/tools");
    if (!QFileInfo::exists(tools + QStringLiteral("/latency_proxy.py"))) {
        std::printf("sendrun_rtt20: skipped, %s is missing\n", qPrintable(tools));
        return 0;
    }
    SmtpSink sink;
    LatencyProxy proxy;
    if (!sink.start() || !proxy.start(tools, sink.port()))
        return 1;
    bool complete = true;
    for (const int recipients : {51, 120}) {
        const double ours = sendRun(proxy.port(), recipients);
        const double theirs = peer(tools, proxy.port(), recipients);
        std::printf("sendrun_rtt20_%d_throughput: %.1f msgs/s\n", recipients, ours);
        std::printf("sendrun_rtt20_%d_peer_smtplib: %.1f msgs/s\n", recipients, theirs);
        std::printf("sendrun_rtt20_%d_vs_peer: %.2f x\n", recipients, theirs > 0 ? ours / theirs : 0.0);
        complete = complete && ours > 0 && theirs > 0;
    }
    return complete ? 0 : 1;
}
