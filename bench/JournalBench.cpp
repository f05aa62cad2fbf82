// What the delivery journal costs a send run: the same 500 recipients sent
// to Postfix's smtp-sink on loopback without and with the journal, in turns
// within one process, so both see the same machine. The view is plain values
// (no widgets), which makes the journal's share of the time as large as it
// can be; the journal file lies on disk, not in memory, so its syncs are real.
#include "SendRunBenchSupport.h"

#include "journal/SendJournal.h"
#include "net/smtp/SmtpTransport.h"
#include "sendrun/SendRun.h"
#include "sendrun/SendRunJournal.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

using namespace OrvVelmora;
using namespace OrvVelmora::Bench;

namespace {

constexpr int kRecipients = 500;
constexpr int kTurns = 6;

/// The send pane as plain values.
class PlainView final : public BenchLetterView
{
public:
    using BenchLetterView::BenchLetterView;

    QString labelText(SendLabel label) const override { return m_labels.value(label, QStringLiteral("0")); }
    void setLabelText(SendLabel label, const QString &text) override { m_labels[label] = text; }
    void setProgressBar(qint32, qint32) override {}
    void setWizardProgressMinimum(qint32) override {}
    void setWizardProgressMaximum(qint32) override {}
    void setWizardProgressValue(qint32) override {}
    void setWizardProgressVisible(bool) override {}
    void setWizardProgressText(const QString &) override {}

private:
    QMap<SendLabel, QString> m_labels;
};

struct Turn
{
    double perSecond = 0;
    double cpuMicrosPerMessage = 0;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

/// One run; the journal is used when given. Zeros when not every message went out.
Turn oneRun(PlainView &view, SendJournal *journal)
{
    NumberedRecipients recipients(kRecipients);
    SmtpTransport transport;
    SendRun run(transport, view, recipients);
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuSeconds();
    std::optional<DeliveryBook> book;
    std::optional<SendRunJournal> steps;
    if (journal) {
        book.emplace(*journal, journal->startMailing({0, {}, view.subject(), {}, {}, QStringLiteral("bench")}));
        book->load(recipients, recipients.rowCount());
        steps.emplace(*book, transport, view);
        run.setJournal(&*steps);
    }
    const int before = view.labelText(SendLabel::lblOK).toInt();
    run.run();
    const int sent = view.labelText(SendLabel::lblOK).toInt() - before;
    if (sent != kRecipients)
        return {};
    return {sent / (double(clock.nsecsElapsed()) / 1e9), (cpuSeconds() - cpuBefore) * 1e6 / sent};
}

/// CPU microseconds the journal alone spends on one message ("wird gesendet", then the reply).
double journalOnly(SendJournal &journal)
{
    NumberedRecipients recipients(kRecipients);
    DeliveryBook book(journal,
                      journal.startMailing({0, {}, QStringLiteral("nur Journal"), {}, {}, QStringLiteral("j")}));
    book.load(recipients, recipients.rowCount());
    const double before = cpuSeconds();
    for (qint32 row = 1; row <= kRecipients; ++row) {
        book.beginSend(row);
        book.endSend(row, 1, 0, QString());
    }
    return (cpuSeconds() - before) * 1e6 / kRecipients;
}

double best(const QList<double> &values)
{
    return *std::max_element(values.cbegin(), values.cend());
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("journal-bench-XXXXXX")));
    SmtpSink sink;
    if (!sink.start())
        return 1;
    GapMeter meter;
    PlatformServices::setInstance(&meter);
    PlainView view(sink.port(), writeAttachment(dir.path()));
    SendJournal journal(dir.filePath(QStringLiteral("versandjournal.sqlite")));
    QList<double> rateWithout, rateWith, cpuWithout, cpuWith;
    for (int turn = 0; turn < kTurns; ++turn) {
        const Turn plain = oneRun(view, nullptr);
        const Turn journalled = oneRun(view, &journal);
        rateWithout.append(plain.perSecond);
        cpuWithout.append(plain.cpuMicrosPerMessage);
        rateWith.append(journalled.perSecond);
        cpuWith.append(journalled.cpuMicrosPerMessage);
    }
    std::printf("journal_alone_cpu: %.0f us/msg\n", journalOnly(journal));
    PlatformServices::setInstance(nullptr);
    const double plain = best(rateWithout);
    const double journalled = best(rateWith);
    std::printf("journal_sendrun_without: %.0f msgs/s\n", plain);
    std::printf("journal_sendrun_with: %.0f msgs/s\n", journalled);
    std::printf("journal_cost_wall: %.1f %%\n", plain > 0 ? 100.0 * (plain - journalled) / plain : 100.0);
    std::printf("journal_cpu_without: %.0f us/msg\n", median(cpuWithout));
    std::printf("journal_cpu_with: %.0f us/msg\n", median(cpuWith));
    std::printf("journal_cost_cpu: %.1f %%\n", 100.0 * (median(cpuWith) - median(cpuWithout)) / median(cpuWithout));
    return plain > 0 && journalled > 0 ? 0 : 1;
}
