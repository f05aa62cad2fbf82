// The send run's engine on the offscreen platform, with the send pane reduced
// to plain labels and progress bars: 2,000 recipients, a 2.5 kB formatted
// message with six placeholders and one attachment, delivered to Postfix's
// smtp-sink on loopback. SendRunWizardBench runs the same through the real form.
#include "SendRunBenchSupport.h"

#include "outside/smtp/SmtpTransport.h"
#include "wizard/sendrun/CoalescingSendView.h"
#include "wizard/sendrun/SendRun.h"

#include <QApplication>
#include <QLabel>
#include <QMap>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>

using namespace OrvVelmora;
using namespace OrvVelmora::Bench;

namespace {

constexpr int kRecipients = 2000;

/// The send pane reduced to its real widgets: labels and a progress bar on a shown window.
class WidgetView final : public SendRunView
{
public:
    WidgetView(quint16 port, const QString &attachment)
        : m_port(port)
        , m_attachment(attachment)
        , m_message(sixTokenTemplate())
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
    QString messageText() const override { return m_message.plain; }
    QString messageRtf() const override { return m_message.rtf; }
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

private:
    QWidget m_window;
    QMap<SendLabel, QLabel *> m_labels;
    QProgressBar *m_bar;
    QProgressBar *m_frameProgress;
    qint32 m_port;
    QString m_attachment;
    MessageTemplate m_message;
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

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SmtpSink sink;
    if (!sink.start())
        return 1;

    GapMeter meter;
    PlatformServices::setInstance(&meter);
    WidgetView view(sink.port(), writeAttachment(dir.path()));
    Recipients recipients;
    SmtpTransport transport;
    CoalescingSendView display(view);
    SendRun run(transport, display, recipients);

    QElapsedTimer clock;
    clock.start();
    meter.start();
    run.run();
    const double seconds = clock.nsecsElapsed() / 1e9;
    PlatformServices::setInstance(nullptr);

    const int sent = view.labelText(SendLabel::lblOK).toInt();
    printFigures("sendrun_engine", sent, view.labelText(SendLabel::lblError).toInt(), seconds, meter);
    return sent == kRecipients ? 0 : 1;
}
