// Personalises a 5 kB message holding all sixteen tokens for many recipients,
// as plain text and as RTF source, and reports the time per recipient.
#include "controls/grid/GridComponent.h"
#include "merge/MergeField.h"
#include "merge/MergeText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHash>

#include <cstdio>
#include <ctime>

using namespace OrvVelmora;

namespace {

constexpr int kRecipients = 20000;

class Recipients final : public MergeRowSource
{
public:
    std::optional<QString> cell(int row, const QString &columnKey) const override
    {
        const auto it = m_suffix.constFind(columnKey);
        if (it == m_suffix.cend())
            return std::nullopt;
        return columnKey + QString::number(row) + *it;
    }

private:
    QHash<QString, QString> m_suffix{
        {QStringLiteral("KundenNr"), QString()},
        {QStringLiteral("Anrede"), QString()},
        {QStringLiteral("Name"), QStringLiteral("ü")},
        {QStringLiteral("Vorname"), QString()},
        {QStringLiteral("Firma"), QStringLiteral(" {GmbH}")},
        {QStringLiteral("Zusatz"), QString()},
        {QStringLiteral("AnsprechPartner"), QString()},
        {QStringLiteral("Strasse"), QStringLiteral("straße")},
        {QStringLiteral("PLZ"), QString()},
        {QStringLiteral("Ort"), QString()},
        {QStringLiteral("Land"), QString()},
        {QStringLiteral("FreiFeld1"), QString()},
        {QStringLiteral("FreiFeld2"), QString()},
        {QStringLiteral("FreiFeld3"), QString()},
        {QStringLiteral("EMail"), QStringLiteral("@example.org")},
    };
};

// The recipient list as the send run reads it: cells of a grid by row and key.
class GridRecipients final : public MergeRowSource
{
public:
    GridRecipients()
    {
        const Recipients values;
        for (const MergeField &field : MergeFields()) {
            if (!field.columnKey.isEmpty())
                m_grid.addColumn(field.columnKey);
        }
        GridComponent::UpdateBatch batch(m_grid);
        for (int row = 1; row <= kRecipients; ++row) {
            GridRow added = m_grid.addRow(QString::number(row));
            for (const MergeField &field : MergeFields()) {
                if (!field.columnKey.isEmpty())
                    added.setCell(field.columnKey, *values.cell(row, field.columnKey));
            }
        }
    }
    std::optional<QString> cell(int row, const QString &columnKey) const override
    {
        return m_grid.cellText(row, columnKey);
    }

private:
    GridComponent m_grid;
};

// CPU time of this thread: on a machine shared with builds, wall time measures the neighbours.
double cpuMicros()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

QString fiveKilobyteTemplate()
{
    QString text;
    for (const MergeField &field : MergeFields())
        text += QStringLiteral("Sehr geehrte Damen und Herren, hier steht ") + field.token +
            QStringLiteral(" mitten im Satz.\n");
    while (text.size() < 5 * 1024)
        text += QStringLiteral("Ein ganz gewöhnlicher Absatz ohne Platzhalter, nur Text zum Lesen. ");
    return text;
}

void run(const char *name, const MergeRowSource &recipients, MergeTarget target)
{
    const QString text = fiveKilobyteTemplate();
    qsizetype total = 0;
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuMicros();
    for (int row = 1; row <= kRecipients; ++row)
        total += MergeText(recipients, row, text, target).size();
    const double cpu = (cpuMicros() - cpuStart) / kRecipients;
    const double wall = double(timer.nsecsElapsed()) / 1e3 / kRecipients;
    std::printf("%s: %.2f us_per_recipient (cpu; wall %.2f us, template %lld chars, %lld chars out)\n", name, cpu, wall,
                static_cast<long long>(text.size()), static_cast<long long>(total));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Recipients inMemory;
    const GridRecipients inGrid;
    run("merge_5kB_16_tokens_plain_memory_source", inMemory, MergeTarget::PlainText);
    run("merge_5kB_16_tokens_rtf_memory_source", inMemory, MergeTarget::RtfSource);
    run("merge_5kB_16_tokens_plain_grid_source", inGrid, MergeTarget::PlainText);
    run("merge_5kB_16_tokens_rtf_grid_source", inGrid, MergeTarget::RtfSource);
    return 0;
}
