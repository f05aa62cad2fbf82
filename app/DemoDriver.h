#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QString>

class QWidget;
class QAbstractButton;

/// Drives the wizard of the demo host the way a person would, on Qt's offscreen
/// platform: transfers all customers, writes a formatted message with
/// placeholders, attaches a file packed as ZIP, sends, and stores screenshots and
/// a summary. Every step goes through the real widgets (clicks, key presses,
/// toolbar actions); modal dialogs are answered when they open.
///
/// The delivery journal's questions get the answers that never lose nor
/// double a message: an interrupted mailing is continued with its uncertain
/// recipients ticked (the wizard then comes back filled, on the send pane,
/// and only finishing is left), a mailing sent before goes only to those who
/// did not get it, and a failure list is counted and closed.
class DemoDriver : public QObject
{
    Q_OBJECT
public:
    DemoDriver(const QString &outDir, const QString &attachment);
    /// Only screenshots of the empty wizard and the account dialog at their
    /// smallest size, for a run under QT_SCALE_FACTOR.
    void setScaledShotsOnly(bool on) { m_scaledOnly = on; }
    /// Each customer's invoice in this folder ("Rechnung <KundenNr>.pdf") goes
    /// along as personal attachment, and the preview first sends a test mail
    /// to the sender.
    void setInvoices(const QString &folder) { m_invoices = folder; }

    /// Starts once the wizard window is up; the wizard is closed at the end.
    void start();
    bool succeeded() const { return m_ok; }

private:
    void run();
    void fail(const QString &why);
    bool waitFor(const std::function<bool()> &condition, int timeoutMs);
    QWidget *wizard() const;
    template<typename T>
    T *find(const QString &name) const;
    void click(QAbstractButton *button);
    void trigger(const QString &toolId);
    void typeText(QWidget *target, const QString &text);
    void shoot(QWidget *widget, const QString &name);
    void answerNextDialog(const std::function<void(QWidget *)> &answer);
    bool answerJournalQuestion();

    void noteResumed();
    void recipientsPane();
    void messagePane();
    void writeMessage();
    void attachFile();
    void attachInvoices();
    void sendTestMail(QWidget *preview);
    void accountDialog();
    void sendPane();
    void preview();
    void scaledShots();
    void closeWizard();
    void writeSummary();

    QDir m_out;
    QString m_attachment;
    QString m_invoices;
    QElapsedTimer m_clock;
    qint64 m_sendMs = 0;
    int m_notSent = 0;
    bool m_ok = false;
    bool m_failed = false;
    bool m_scaledOnly = false;
    QString m_confirmation;
    QJsonObject m_preview;
    QJsonObject m_scaled;
};
