#pragma once

#include "outside/platform/QtPlatformServices.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QString>

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
    MessageAnswer messageBox(const QString &text, const QString &caption, MessageIcon icon,
                             MessageButtons buttons) override;
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

private:
    QtPlatformServices m_real;
    QElapsedTimer m_clock;
};

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

/// Writes the one attachment (a 22 kB price list) into the directory and returns its path.
QString writeAttachment(const QString &directory);

/// Prints the figures as "name: value unit" lines under the given prefix.
void printFigures(const char *prefix, int sent, int refused, double seconds, const GapMeter &meter);

} // namespace OrvVelmora::Bench
