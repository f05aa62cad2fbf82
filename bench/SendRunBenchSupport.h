#pragma once

#include "outside/platform/QtPlatformServices.h"
#include "wizard/sendrun/SendRun.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMap>
#include <QProcess>
#include <QProgressBar>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

namespace OrvVelmora::Bench {

/// The desktop as usual, plus a stopwatch on every event run: the longest
/// time the window's events had to wait. File dialogs answer with a fixed path.
class GapMeter final : public PlatformServices
{
public:
    qint64 longestGapNs = 0;
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
};

/// A port on 127.0.0.1 nobody listens on right now.
quint16 freePort();
/// True when something accepts connections on 127.0.0.1 at this port.
bool listening(quint16 port);

/// Postfix's smtp-sink on a free port of 127.0.0.1, ended with this object.
class SmtpSink
{
public:
    ~SmtpSink();
    bool start();
    [[nodiscard]] quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

/// A 2.5 kB message with six placeholders, as plain text and as the editor's RTF.
struct MessageTemplate
{
    QString plain;
    QString rtf;
};
MessageTemplate sixTokenTemplate();

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
    /// An empty path: no attachment.
    QList<SendAttachment> attachments() const override
    {
        return m_attachment.isEmpty() ? QList<SendAttachment>{} : QList<SendAttachment>{{m_attachment, true}};
    }
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

private:
    qint32 m_count;
};

/// Writes the one attachment (a 22 kB price list) into the directory and returns its path.
QString writeAttachment(const QString &directory);

/// Prints the figures as "name: value unit" lines under the given prefix.
void printFigures(const char *prefix, int sent, int refused, double seconds, const GapMeter &meter);

} // namespace OrvVelmora::Bench
