// The whole send run on the offscreen platform: 2,000 recipients, a 2.5 kB
// formatted message with six placeholders and one attachment, delivered to
// Postfix's smtp-sink on loopback. Reports messages per second end to end and
// the longest time the window's events had to wait between two event runs.
#include "outside/QtPlatformServices.h"
#include "outside/SmtpTransport.h"
#include "wizard/SendRun.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

using namespace OrvVelmora;

namespace {

constexpr int kRecipients = 2000;

/// The desktop as usual, plus a stopwatch on every event run.
class GapMeter final : public PlatformServices
{
public:
    qint64 longestGapNs = 0;
    qint64 runs = 0;

    void start() { m_clock.start(); }
    void processEvents() override
    {
        longestGapNs = std::max(longestGapNs, m_clock.nsecsElapsed());
        ++runs;
        m_real.processEvents();
        m_clock.restart();
    }
    MessageAnswer messageBox(const QString &t, const QString &c, MessageIcon i, MessageButtons b) override
    {
        return m_real.messageBox(t, c, i, b);
    }
    std::optional<QString> showOpen(const FileDialogRequest &r) override { return m_real.showOpen(r); }
    std::optional<QString> showSave(const FileDialogRequest &r) override { return m_real.showSave(r); }
    std::optional<QColor> chooseColor(const QString &t) override { return m_real.chooseColor(t); }
    void setMousePointer(int code) override { m_real.setMousePointer(code); }
    int mousePointer() const override { return m_real.mousePointer(); }
    bool clipboardAvailable() const override { return m_real.clipboardAvailable(); }
    void clipboardClear() override { m_real.clipboardClear(); }
    void clipboardSet(const QMap<QString, QByteArray> &f) override { m_real.clipboardSet(f); }
    bool clipboardHasFormat(const QString &m) const override { return m_real.clipboardHasFormat(m); }
    QByteArray clipboardData(const QString &m) const override { return m_real.clipboardData(m); }

private:
    QtPlatformServices m_real;
    QElapsedTimer m_clock;
};

/// The send pane reduced to its real widgets: labels and a progress bar on a shown window.
class WidgetView final : public SendRunView
{
public:
    WidgetView(const QString &port, const QString &attachment)
        : m_port(port.toInt())
        , m_attachment(attachment)
    {
        auto *layout = new QVBoxLayout(&m_window);
        for (int i = 0; i <= int(SendLabel::lblStatus); ++i)
            layout->addWidget(m_labels[SendLabel(i)] = new QLabel(&m_window));
        m_labels[SendLabel::lblOK]->setText(QStringLiteral("0"));
        m_labels[SendLabel::lblError]->setText(QStringLiteral("0"));
        layout->addWidget(m_bar = new QProgressBar(&m_window));
        layout->addWidget(m_frameProgress = new QProgressBar(&m_window));
        m_window.setFixedSize(480, 640);
        m_window.show();
    }

    SenderSettings senderSettings() const override
    {
        return {QStringLiteral("Velmora GmbH"), QStringLiteral("info@velmora.example"), QStringLiteral("Velmora"),
                QString(), QStringLiteral("127.0.0.1"), m_port, QString(), QString()};
    }
    void openAccountDialog() override {}
    QString settingsStoreText() override { return QStringLiteral("bench.local"); }
    QString subject() const override { return QStringLiteral("Ihr Angebot"); }
    int priorityIndex() const override { return 1; }
    bool readReceiptChecked() const override { return false; }
    QList<SendAttachment> attachments() const override { return {{m_attachment, true}}; }
    QString messageText() const override { return m_text; }
    QString messageRtf() const override { return m_rtf; }
    QString labelText(SendLabel label) const override { return m_labels.value(label)->text(); }
    void setLabelText(SendLabel label, const QString &text) override { m_labels.value(label)->setText(text); }
    void setProgressBarValue(int percent) override { m_bar->setValue(percent); }
    void setProgressBarVisible(bool visible) override { m_bar->setVisible(visible); }
    void setNavigationEnabled(bool) override {}
    void setBusy(bool) override {}
    void setWizardProgressMinimum(qint32 value) override { m_frameProgress->setMinimum(value); }
    void setWizardProgressMaximum(qint32 value) override { m_frameProgress->setMaximum(value); }
    void setWizardProgressValue(qint32 value) override { m_frameProgress->setValue(value); }
    void setWizardProgressVisible(bool visible) override { m_frameProgress->setVisible(visible); }
    void setWizardProgressText(const QString &text) override { m_frameProgress->setFormat(text); }
    void finishRunFirst() override {}
    void finishRunSecond() override {}

    QString m_text;
    QString m_rtf;

private:
    QWidget m_window;
    QMap<SendLabel, QLabel *> m_labels;
    QProgressBar *m_bar;
    QProgressBar *m_frameProgress;
    qint32 m_port;
    QString m_attachment;
};

class Recipients final : public SendRecipients
{
public:
    qint32 rowCount() const override { return kRecipients; }
    std::optional<QString> cell(int row, const QString &key) const override
    {
        if (key == QLatin1String("EMail"))
            return QStringLiteral("kunde%1@example.org").arg(row);
        return key + QString::number(row);
    }
};

/// Six placeholders in 2.5 kB of formatted text, as the editor would write it.
void buildTemplate(WidgetView &view)
{
    const QString tokens[] = {QStringLiteral("<#KD_ANREDE#>"), QStringLiteral("<#KD_VORNAME#>"),
                              QStringLiteral("<#KD_NAME#>"),   QStringLiteral("<#KD_FIRMA#>"),
                              QStringLiteral("<#KD_ORT#>"),    QStringLiteral("<#DATE#>")};
    QString plain;
    QString body;
    for (const QString &token : tokens) {
        const QString sentence = QStringLiteral("Sehr geehrte Kundin, lieber Kunde, hier steht ") + token
            + QStringLiteral(" mitten in einem Satz über unsere Angebote für Sie. ");
        plain += sentence + QStringLiteral("\n");
        body += QStringLiteral("{\\b Wichtig:} ") + sentence + QStringLiteral("\\par\n");
    }
    while (plain.size() < 2500) {
        QString filler = QStringLiteral("Ein gewöhnlicher Absatz mit etwas Text zum Lesen und Weiterleiten. ");
        plain += filler;
        body += QStringLiteral("\\qc ") + filler.replace(QStringLiteral("ö"), QStringLiteral("\\'f6"))
            + QStringLiteral("\\par\\pard\n");
    }
    view.m_text = plain;
    view.m_rtf = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ") + body
        + QStringLiteral("}");
}

quint16 freePort()
{
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr *>(&address), length);
    ::getsockname(probe, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

bool listening(quint16 port)
{
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(probe, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(probe);
    return ok;
}

bool startSink(QProcess &sink, quint16 port)
{
    sink.start(QStringLiteral("/usr/sbin/smtp-sink"),
               {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("127.0.0.1:%1").arg(port),
                QStringLiteral("100")});
    for (int i = 0; i < 100 && sink.state() != QProcess::NotRunning; ++i) {
        if (listening(port))
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString attachment = dir.filePath(QStringLiteral("Preisliste.txt"));
    QFile file(attachment);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    for (int i = 0; i < 400; ++i)
        file.write("Artikel;Bezeichnung;Preis in Euro;Lieferzeit in Tagen\n");
    file.close();

    QProcess sink;
    const quint16 port = freePort();
    if (!startSink(sink, port)) {
        std::fprintf(stderr, "smtp-sink did not start on port %u\n", unsigned(port));
        return 1;
    }

    GapMeter meter;
    PlatformServices::setInstance(&meter);
    WidgetView view(QString::number(port), attachment);
    buildTemplate(view);
    Recipients recipients;
    SmtpTransport transport;
    SendRun run(transport, view, recipients);

    QElapsedTimer clock;
    clock.start();
    meter.start();
    run.run();
    const double seconds = clock.nsecsElapsed() / 1e9;
    PlatformServices::setInstance(nullptr);
    sink.kill();
    sink.waitForFinished();

    const int sent = view.labelText(SendLabel::lblOK).toInt();
    std::printf("sendrun_messages_sent: %d messages\n", sent);
    std::printf("sendrun_refused: %s messages\n", qPrintable(view.labelText(SendLabel::lblError)));
    std::printf("sendrun_throughput: %.0f msgs/s\n", sent / seconds);
    std::printf("sendrun_total: %.2f s\n", seconds);
    std::printf("sendrun_longest_event_gap: %.1f ms\n", meter.longestGapNs / 1e6);
    std::printf("sendrun_event_runs: %lld runs\n", static_cast<long long>(meter.runs));
    return sent == kRecipients ? 0 : 1;
}
