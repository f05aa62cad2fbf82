#pragma once

#include "sendrun/SendRecipients.h"
#include "sendrun/SendRunView.h"

#include <QMap>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

/// Lets GoogleTest show texts as texts in its failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace OrvVelmora::Testing {

/// The form as plain values: what the run reads is set by the test, what it writes is recorded.
/// failOn names a call ("setWizardProgressValue 2", "attachments") that throws.
class RecordingSendView final : public SendRunView
{
public:
    SenderSettings settings;
    QString storeText = QStringLiteral("sendrun.test");
    QString subjectText = QStringLiteral("Betreff");
    int priority = 1;
    bool readReceipt = false;
    QList<SendAttachment> attachmentRows;
    PersonalAttachment personal;
    QString text = QStringLiteral("Hallo");
    QString rtf = QStringLiteral("{\\rtf1 Hallo}");

    QMap<SendLabel, QString> labels{{SendLabel::lblOK, QStringLiteral("0")},
                                    {SendLabel::lblError, QStringLiteral("0")}};
    QMap<SendLabel, QStringList> labelHistory;
    /// Every value the pane's bar was given, with its maximum.
    QList<std::pair<qint32, qint32>> progressBar;
    /// The four counters, the bar and the frame's "Sende e-Mail r von N" each time the bar moved.
    struct Account
    {
        QList<qint32> counters;
        std::pair<qint32, qint32> bar;
        QString position;
    };
    QList<Account> accounts;
    bool finishAllowed = true;
    QStringList frameLog;
    QString failOn;

    SenderSettings senderSettings() const override { return settings; }
    void openAccountDialog() override {}
    QString settingsStoreText() override { return storeText; }
    QString subject() const override { return subjectText; }
    int priorityIndex() const override { return priority; }
    bool readReceiptChecked() const override { return readReceipt; }
    QList<SendAttachment> attachments() const override { return check(QStringLiteral("attachments")), attachmentRows; }
    PersonalAttachment personalAttachment() const override { return personal; }
    QString messageText() const override { return text; }
    QString messageRtf() const override { return rtf; }
    QString labelText(SendLabel label) const override { return labels.value(label); }
    void setLabelText(SendLabel label, const QString &value) override
    {
        labelHistory[label].append(labels[label] = value);
    }
    void setProgressBar(qint32 value, qint32 maximum) override
    {
        progressBar.append({value, maximum});
        QList<qint32> counters;
        for (SendLabel label : {SendLabel::lblOK, SendLabel::lblError, SendLabel::lblUnsicher, SendLabel::lblOffen})
            counters << labels.value(label).toInt();
        accounts.append({counters, {value, maximum}, lastFrame(QStringLiteral("text")).mid(5)});
    }
    void setFinishAllowed(bool allowed) override { finishAllowed = allowed; }
    void setNavigationEnabled(bool enabled) override { log(QStringLiteral("navigation %1").arg(enabled)); }
    void setBusy(bool busy) override { log(QStringLiteral("busy %1").arg(busy)); }
    void setWizardProgressMinimum(qint32 value) override { log(QStringLiteral("minimum %1").arg(value)); }
    void setWizardProgressMaximum(qint32 value) override { log(QStringLiteral("maximum %1").arg(value)); }
    void setWizardProgressValue(qint32 value) override { log(QStringLiteral("setWizardProgressValue %1").arg(value)); }
    void setWizardProgressVisible(bool visible) override { log(QStringLiteral("visible %1").arg(visible)); }
    void setWizardProgressText(const QString &value) override { log(QStringLiteral("text ") + value); }
    void finishRunFirst() override { log(QStringLiteral("finish first")); }
    void finishRunSecond() override { log(QStringLiteral("finish second")); }

    /// The last frame call starting with this word, or empty.
    QString lastFrame(const QString &word) const
    {
        for (qsizetype i = frameLog.size() - 1; i >= 0; --i)
            if (frameLog.at(i).startsWith(word + QLatin1Char(' ')))
                return frameLog.at(i);
        return {};
    }

private:
    void check(const QString &call) const
    {
        if (call == failOn)
            throw std::runtime_error(call.toStdString());
    }
    void log(const QString &call) { check(call), frameLog.append(call); }
};

/// Holds when at every moment the bar moved the four counters (sent, not
/// sent, uncertain, open) added up to n, the bar showed the settled ones of
/// n (or, while a message uploads, a share of the next one), and no counter
/// was ahead of the message "Sende e-Mail r von n" named.
inline testing::AssertionResult accountHolds(const RecordingSendView &view, qint32 n)
{
    if (view.accounts.isEmpty())
        return testing::AssertionFailure() << "the counters were never shown";
    for (const RecordingSendView::Account &a : view.accounts) {
        const qint32 settled = a.counters[0] + a.counters[1] + a.counters[2];
        const qint32 r = a.position.section(QLatin1Char(' '), 2, 2).toInt();
        const bool upload = a.bar.second == n * 100 && n != 1;
        const bool barRight = upload ? a.bar.first / 100 == settled : a.bar == std::pair(settled, n);
        if (settled + a.counters[3] != n || !barRight || (!a.position.isEmpty() && settled > r))
            return testing::AssertionFailure()
                << "counters " << a.counters[0] << "/" << a.counters[1] << "/" << a.counters[2] << "/" << a.counters[3]
                << ", bar " << a.bar.first << " of " << a.bar.second << ", \"" << a.position.toStdString() << "\", n "
                << n;
    }
    return testing::AssertionSuccess();
}

/// Recipient rows as column key -> text; a missing key or row cannot be read.
class TableRecipients final : public SendRecipients
{
public:
    QList<QMap<QString, QString>> rows;

    qint32 rowCount() const override { return static_cast<qint32>(rows.size()); }
    std::optional<QString> cell(int row, const QString &key) const override
    {
        if (row < 1 || row > rows.size() || !rows.at(row - 1).contains(key))
            return std::nullopt;
        return rows.at(row - 1).value(key);
    }
    QMap<QString, QString> record(qint32 row) const override { return rows.value(row - 1); }
};

/// Binds a loopback socket to this port (0: any) and lets it go; the port
/// it had, or 0 when the port was taken.
inline quint16 freePort(quint16 port = 0)
{
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = ::bind(probe, reinterpret_cast<sockaddr *>(&address), length) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr *>(&address), &length) == 0;
    ::close(probe);
    return bound ? ntohs(address.sin_port) : 0;
}

/// A customer whose every field names its number, e.g. "Vorname7", "kunde7@example.org".
inline QMap<QString, QString> numberedCustomer(int n, const QString &mailbox = QStringLiteral("kunde"))
{
    const QString k = QString::number(n);
    QMap<QString, QString> c{{QStringLiteral("KundenNr"), QStringLiteral("K%1").arg(n, 4, 10, QLatin1Char('0'))},
                             {QStringLiteral("Anrede"), n % 2 ? QStringLiteral("Frau") : QStringLiteral("Herr")},
                             {QStringLiteral("PLZ"), QString::number(10000 + n)},
                             {QStringLiteral("EMail"), QStringLiteral("%1%2@example.org").arg(mailbox).arg(n)},
                             {QStringLiteral("PreisGruppe"), QStringLiteral("1")}};
    for (const auto &[key, prefix] : {std::pair{"Vorname", "Jörg"},
                                      {"Name", "Müller"},
                                      {"Firma", "Firma"},
                                      {"Zusatz", "Zusatz"},
                                      {"AnsprechPartner", "Partner"},
                                      {"Strasse", "Weg "},
                                      {"Ort", "Ort"},
                                      {"Land", "Land"},
                                      {"FreiFeld1", "F1-"},
                                      {"FreiFeld2", "F2-"},
                                      {"FreiFeld3", "F3-"}})
        c[QString::fromUtf8(key)] = QString::fromUtf8(prefix) + k;
    return c;
}

} // namespace OrvVelmora::Testing
