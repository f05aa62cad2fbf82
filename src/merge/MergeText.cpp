#include "merge/MergeText.h"

#include "codec/rtf/RtfEscape.h"
#include "merge/MergeField.h"
#include "merge/MergeWorkingText.h"

namespace OrvVelmora {

MergeRowSource::~MergeRowSource() = default;

namespace {

// The date is built by hand: a locale-aware format would give other
// separators or orders on machines set to other regions.
QString dateText(const QDate &date)
{
    return QStringLiteral("%1.%2.%3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

} // namespace

QString MergeText(const MergeRowSource &source, int row, QString text, MergeTarget target)
{
    return MergeText(source, row, std::move(text), target, QDate::currentDate());
}

QString MergeText(const MergeRowSource &source, int row, QString text, MergeTarget target, const QDate &today)
{
    MergeWorkingText working(std::move(text));
    for (const MergeField &field : MergeFields()) {
        const MergeWorkingText::Positions found = working.occurrences(field.token);
        if (found.isEmpty())
            continue;
        const std::optional<QString> value = MergeValue(field, source, row, today);
        if (!value)
            continue;
        working.replace(found, field.token.size(),
                        target == MergeTarget::RtfSource ? QString::fromLatin1(rtfEscape(*value)) : *value);
    }
    return working.take();
}

std::optional<QString> MergeValue(const MergeField &field, const MergeRowSource &source, int row, const QDate &today)
{
    switch (field.kind) {
    case MergeField::Kind::Date: return dateText(today);
    case MergeField::Kind::Salutation: {
        const std::optional<QString> anrede = source.cell(row, QStringLiteral("Anrede"));
        const std::optional<QString> name = source.cell(row, QStringLiteral("Name"));
        if (!anrede || !name)
            return std::nullopt;
        return source.salutationPhrases().orDefaults().salutation(*anrede, *name);
    }
    case MergeField::Kind::Column: break;
    }
    return source.cell(row, field.columnKey);
}

} // namespace OrvVelmora
