// One 100 MB file that does not compress, sent three times over one session
// to Postfix's smtp-sink, once as it is and once packed as ZIP: the longest
// time the window's events had to wait, and the peak memory as a multiple
// of the file's size.
#include "SendRunBenchSupport.h"

#include "net/smtp/SmtpTransport.h"

#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

using namespace OrvVelmora;
using namespace OrvVelmora::Bench;

namespace {

constexpr qint64 kFileBytes = 100 * 1024 * 1024;

/// A field of /proc/self/status in kB (VmRSS: now, VmHWM: the peak since the last reset).
qint64 memoryKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').constFirst().toLongLong();
    }
    return 0;
}

/// Lets VmHWM start again from the memory in use now.
void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

bool writeRandomFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1024 * 1024, Qt::Uninitialized);
    for (qint64 written = 0; written < kFileBytes; written += block.size()) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
        file.write(block);
    }
    return file.error() == QFileDevice::NoError;
}

bool sendThreeWith(const QString &path, bool zip, quint16 port, GapMeter &meter)
{
    SmtpTransport transport;
    transport.setServer(QStringLiteral("127.0.0.1"));
    transport.setPort(port);
    transport.setFromAddress(QStringLiteral("versand@example.de"));
    transport.setSubject(QStringLiteral("Preisliste"));
    transport.setBody(QStringLiteral("Anbei die Preisliste."));
    transport.AddAttachment(path, zip);
    resetPeak();
    const qint64 before = memoryKb("VmRSS:");
    meter.start();
    bool sent = transport.Connect();
    for (int i = 0; i < 3 && sent; ++i) {
        transport.setRecipient(QStringLiteral("kunde%1@example.com").arg(i));
        sent = transport.Send() >= 1;
    }
    transport.Disconnect();
    const char *kind = zip ? "zipped" : "plain";
    std::printf("attachment_100mb_%s_longest_event_gap: %.1f ms\n", kind, double(meter.longestGapNs) / 1e6);
    std::printf("attachment_100mb_%s_longest_event_gap_cpu: %.1f ms\n", kind, double(meter.longestCpuGapNs) / 1e6);
    std::printf("attachment_100mb_%s_peak_memory: %.2f x file size\n", kind,
                double(memoryKb("VmHWM:") - before) * 1024.0 / kFileBytes);
    return sent;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    GapMeter meter;
    PlatformServices::setInstance(&meter);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gross.bin"));
    SmtpSink sink;
    if (!writeRandomFile(path) || !sink.start())
        return 1;
    bool ok = true;
    for (const bool zip : {false, true})
        ok = sendThreeWith(path, zip, sink.port(), meter) && ok;
    PlatformServices::setInstance(nullptr);
    return ok ? 0 : 1;
}
