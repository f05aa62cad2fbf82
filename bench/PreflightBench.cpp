// The check before a mailing of 10,000 recipients, read from a grid as the
// wizard's recipient list is, with two attachments, placeholders mistyped,
// empty fields, shared and invalid addresses: the person waits for it
// between "Fertigstellen" and the question, so it must stay well under a second.
// Also the delivery book's load of the same list, which the question's count needs.
#include "controls/grid/GridComponent.h"
#include "journal/DeliveryBook.h"
#include "journal/SendJournal.h"
#include "merge/MergeField.h"
#include "sendrun/MailingCheck.h"
#include "sendrun/SendRecipients.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace OrvVelmora;

namespace {

constexpr int kRecipients = 10000;
constexpr int kRepeats = 5;

class GridRecipients final : public SendRecipients
{
public:
    GridRecipients()
    {
        for (const MergeField &field : MergeFields())
            if (!field.columnKey.isEmpty())
                m_grid.addColumn(field.columnKey);
        GridComponent::UpdateBatch batch(m_grid);
        for (int row = 1; row <= kRecipients; ++row) {
            GridRow added = m_grid.addRow(QString::number(10000 + row));
            for (const MergeField &field : MergeFields())
                if (!field.columnKey.isEmpty() && field.columnKey != QLatin1String("KundenNr"))
                    added.setCell(field.columnKey, value(row, field.columnKey));
        }
    }
    qint32 rowCount() const override { return m_grid.rowCount(); }
    std::optional<QString> cell(int row, const QString &key) const override { return m_grid.cellText(row, key); }
    QMap<QString, QString> record(qint32) const override { return {}; }

private:
    // Every 50th has no first name, every 100th shares an address, every 500th has none that works.
    static QString value(int row, const QString &key)
    {
        if (key == QLatin1String("EMail"))
            return row % 500 == 0 ? QStringLiteral("kein-at-zeichen")
                : row % 100 == 0  ? QStringLiteral("einkauf@example.org")
                                  : QStringLiteral("kunde%1@example.org").arg(row);
        if (key == QLatin1String("Vorname") && row % 50 == 0)
            return {};
        return key + QString::number(row);
    }

    GridComponent m_grid;
};

double best(const std::function<void()> &work)
{
    double fastest = 1e12;
    for (int i = 0; i < kRepeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = std::min(fastest, double(timer.nsecsElapsed()) / 1e6);
    }
    return fastest;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QList<SendAttachment> attachments;
    for (const auto &[name, size] : {std::pair{"Preisliste.pdf", 400'000}, {"Katalog.zip", 2'500'000}}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
            return 1;
        attachments.append({file.fileName(), false});
    }
    const GridRecipients recipients;
    MailingDraft draft{QStringLiteral("Angebot für <#KD_Vorname#>"),
                       QStringLiteral("Guten Tag <#KD_ANREDE#> <#KD_VORNAME#> <#KD_NAME#>,\n<#KD_VORNAM#> aus "
                                      "<#KD_ORT#>, Kunde <#KD_NUMMER#>\nMit freundlichen Grüßen"),
                       QStringLiteral("{\\rtf1 Guten Tag}"),
                       attachments,
                       &recipients,
                       {},
                       0,
                       {}};
    for (int row = 1; row <= kRecipients; ++row)
        draft.rows.append(row);
    const MailingCheck check = MailingCheck::standard();
    qsizetype findings = 0;
    const double checkMs = best([&] { findings = check.run(draft).size(); });
    std::printf("preflight_check_10000_recipients: %.1f ms (best of %d, %lld findings)\n", checkMs, kRepeats,
                static_cast<long long>(findings));

    SendJournal journal(dir.filePath(QStringLiteral("journal.sqlite")));
    const qint64 mailing = journal.startMailing({});
    DeliveryBook book(journal, mailing);
    book.load(recipients, recipients.rowCount());
    const double loadMs = best([&] { book.load(recipients, recipients.rowCount()); });
    std::printf("delivery_book_load_10000_recipients: %.1f ms (best of %d, %d wanted, %d more for shared addresses)\n",
                loadMs, kRepeats, book.wantedCount(), book.wantedDuplicates());
    return 0;
}
