#pragma once

#include "base/platform/QtPlatformServices.h"
#include "sendrun/SendRun.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMap>
#include <QProcess>
#include <QProgressBar>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

#include <utility>

namespace OrvVelmora::Bench {

/// The desktop as usual, plus a stopwatch on every event run: the longest
/// time the window's events had to wait. File dialogs answer with a fixed path.
class GapMeter final : public PlatformServices
{
public:
    qint64 longestGapNs = 0;
    /// The same in this thread's CPU time: what our code held the thread for,
    /// whatever else the machine was busy with.
    qint64 longestCpuGapNs = 0;
    qint64 runs = 0;
    QString openAnswer;

    void start();
    void processEvents() override;
    using PlatformServices::messageBox;
    MessageAnswer messageBox(const QString &text, const QString &caption, MessageIcon icon, MessageButtons buttons,
                             std::optional<MessageAnswer> defaultAnswer) override;
    std::optional<QString> showOpen(const FileDialogRequest &) override { return openAnswer; }
    std::optional<QString> showSave(const FileDialogRequest &) override { return std::nullopt; }
    std::optional<QColor> chooseColor(const QString &) override { return std::nullopt; }
    void setMousePointer(int code) override { m_real.setMousePointer(code); }
    int mousePointer() const override { return m_real.mousePointer(); }
    bool clipboardAvailable() const override { return m_real.clipboardAvailable(); }
    void clipboardClear() override { m_real.clipboardClear(); }
    void clipboardSet(const QMap<QString, QByteArray> &formats) override { m_real.clipboardSet(formats); }
    bool clipboardHasFormat(const QString &mime) const override { return m_real.clipboardHasFormat(mime); }
    QByteArray clipboardData(const QString &mime) const override { return m_real.clipboardData(mime); }
    bool openBrowser(const QUrl &) override { return false; }

private:
    QtPlatformServices m_real;
    QElapsedTimer m_clock;
    qint64 m_cpuAtLastRun = -1;
};

/// A port on 127.0.0.1 nobody listens on right now.
quint16 freePort();
/// True when something accepts connections on 127.0.0.1 at this port.
bool listening(quint16 port);

/// A helper program that serves on a free port of 127.0.0.1, ended with this object.
class ListeningProcess
{
public:
    ~ListeningProcess();
    [[nodiscard]] quint16 port() const { return m_port; }

protected:
    /// Starts the program (its arguments may name port()) and waits until it listens.
    bool launch(const QString &program, const QStringList &arguments, const char *what);
    /// Chooses the port before the arguments that name it are written.
    quint16 choosePort();

private:
    QProcess m_process;
    quint16 m_port = 0;
};

/// Postfix's smtp-sink.
class SmtpSink final : public ListeningProcess
{
public:
    bool start();
};

/// A 2.5 kB message with six placeholders, as plain text and as the editor's RTF.
struct MessageTemplate
{
    QString plain;
    QString rtf;
};
MessageTemplate sixTokenTemplate();

/// What the form says of the mailing (sender on 127.0.0.1 at a port, the
/// six-placeholder letter, an attachment to be zipped when a path is given),
/// with the frame's switches doing nothing; the send pane is the subclass's.
class BenchLetterView : public SendRunView
{
public:
    BenchLetterView(quint16 port, QString attachment)
        : m_port(port)
        , m_attachment(std::move(attachment))
    {
    }

    SenderSettings senderSettings() const override
    {
        return {QStringLiteral("Velmora GmbH"),
                QStringLiteral("info@velmora.example"),
                QStringLiteral("Velmora"),
                QString(),
                QStringLiteral("127.0.0.1"),
                m_port,
                QString(),
                QString()};
    }
    void openAccountDialog() override {}
    QString settingsStoreText() override { return QStringLiteral("bench.local"); }
    QString subject() const override { return QStringLiteral("Ihr Angebot"); }
    int priorityIndex() const override { return 1; }
    bool readReceiptChecked() const override { return false; }
    QList<SendAttachment> attachments() const override
    {
        return m_attachment.isEmpty() ? QList<SendAttachment>{} : QList<SendAttachment>{{m_attachment, true}};
    }
    PersonalAttachment personalAttachment() const override { return {}; }
    QString messageText() const override { return m_message.plain; }
    QString messageRtf() const override { return m_message.rtf; }
    void setNavigationEnabled(bool) override {}
    void setFinishAllowed(bool) override {}
    void setBusy(bool) override {}
    void finishRunFirst() override {}
    void finishRunSecond() override {}

private:
    qint32 m_port;
    QString m_attachment;
    MessageTemplate m_message = sixTokenTemplate();
};

/// The send pane reduced to its real widgets: labels and progress bars on a shown window.
class WidgetView final : public BenchLetterView
{
public:
    WidgetView(quint16 port, const QString &attachment)
        : BenchLetterView(port, attachment)
    {
        auto *layout = new QVBoxLayout(&m_window);
        for (int i = 0; i <= int(SendLabel::lblOffen); ++i)
            layout->addWidget(m_labels[SendLabel(i)] = new QLabel(&m_window));
        m_labels[SendLabel::lblOK]->setText(QStringLiteral("0"));
        m_labels[SendLabel::lblError]->setText(QStringLiteral("0"));
        layout->addWidget(m_bar = new QProgressBar(&m_window));
        layout->addWidget(m_frameProgress = new QProgressBar(&m_window));
        m_window.setFixedSize(480, 640);
        m_window.show();
    }

    QString labelText(SendLabel label) const override { return m_labels.value(label)->text(); }
    void setLabelText(SendLabel label, const QString &text) override { m_labels.value(label)->setText(text); }
    void setProgressBar(qint32 value, qint32 maximum) override
    {
        m_bar->setMaximum(maximum);
        m_bar->setValue(value);
    }
    void setWizardProgressMinimum(qint32 value) override { m_frameProgress->setMinimum(value); }
    void setWizardProgressMaximum(qint32 value) override { m_frameProgress->setMaximum(value); }
    void setWizardProgressValue(qint32 value) override { m_frameProgress->setValue(value); }
    void setWizardProgressVisible(bool visible) override { m_frameProgress->setVisible(visible); }
    void setWizardProgressText(const QString &text) override { m_frameProgress->setFormat(text); }

private:
    QWidget m_window;
    QMap<SendLabel, QLabel *> m_labels;
    QProgressBar *m_bar;
    QProgressBar *m_frameProgress;
};

/// Recipients 1..count at kundeN@example.org; every other field is its key and the row number.
class NumberedRecipients final : public SendRecipients
{
public:
    explicit NumberedRecipients(qint32 count)
        : m_count(count)
    {
    }
    qint32 rowCount() const override { return m_count; }
    std::optional<QString> cell(int row, const QString &key) const override
    {
        if (key == QLatin1String("EMail"))
            return QStringLiteral("kunde%1@example.org").arg(row);
        return key + QString::number(row);
    }
    QMap<QString, QString> record(qint32 row) const override
    {
        return {{QStringLiteral("KundenNr"), *cell(row, QStringLiteral("KundenNr"))},
                {QStringLiteral("EMail"), *cell(row, QStringLiteral("EMail"))}};
    }

private:
    qint32 m_count;
};

/// What one send run through a WidgetView achieved.
struct EngineRun
{
    int sent = 0;
    int refused = 0;
    double seconds = 0;
};
/// The send run's engine (with the coalescing display) to `recipients`
/// numbered customers at a server on this port, events timed by the meter.
EngineRun runEngine(GapMeter &meter, quint16 port, const QString &attachment, int recipients);

/// Writes the one attachment (a 22 kB price list) into the directory and returns its path.
QString writeAttachment(const QString &directory);

/// Prints the figures as "name: value unit" lines under the given prefix.
void printFigures(const char *prefix, int sent, int refused, double seconds, const GapMeter &meter);

} // namespace OrvVelmora::Bench
