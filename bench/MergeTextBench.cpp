// Personalises a 5 kB message holding all sixteen tokens for many recipients,
// as plain text and as RTF source, and reports the time per recipient.
#include "wizard/MergeField.h"
#include "wizard/MergeText.h"

#include <QElapsedTimer>
#include <QHash>

#include <cstdio>

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
        {QStringLiteral("KundenNr"), QString()},        {QStringLiteral("Anrede"), QString()},
        {QStringLiteral("Name"), QStringLiteral("ü")},  {QStringLiteral("Vorname"), QString()},
        {QStringLiteral("Firma"), QStringLiteral(" {GmbH}")}, {QStringLiteral("Zusatz"), QString()},
        {QStringLiteral("AnsprechPartner"), QString()}, {QStringLiteral("Strasse"), QStringLiteral("straße")},
        {QStringLiteral("PLZ"), QString()},             {QStringLiteral("Ort"), QString()},
        {QStringLiteral("Land"), QString()},            {QStringLiteral("FreiFeld1"), QString()},
        {QStringLiteral("FreiFeld2"), QString()},       {QStringLiteral("FreiFeld3"), QString()},
        {QStringLiteral("EMail"), QStringLiteral("@example.org")},
    };
};

QString fiveKilobyteTemplate()
{
    QString text;
    for (const MergeField &field : MergeFields())
        text += QStringLiteral("Sehr geehrte Damen und Herren, hier steht ") + field.token
            + QStringLiteral(" mitten im Satz.\n");
    while (text.size() < 5 * 1024)
        text += QStringLiteral("Ein ganz gewöhnlicher Absatz ohne Platzhalter, nur Text zum Lesen. ");
    return text;
}

void run(const char *name, MergeTarget target)
{
    const Recipients recipients;
    const QString text = fiveKilobyteTemplate();
    qsizetype total = 0;
    QElapsedTimer timer;
    timer.start();
    for (int row = 1; row <= kRecipients; ++row)
        total += MergeText(recipients, row, text, target).size();
    const double micros = timer.nsecsElapsed() / 1e3 / kRecipients;
    std::printf("%s: %.2f us_per_recipient (template %lld chars, output %lld chars total)\n", name,
                micros, static_cast<long long>(text.size()), static_cast<long long>(total));
}

} // namespace

int main()
{
    run("merge_5kB_16_tokens_plain", MergeTarget::PlainText);
    run("merge_5kB_16_tokens_rtf", MergeTarget::RtfSource);
    return 0;
}
