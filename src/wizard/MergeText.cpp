#include "wizard/MergeText.h"

#include "wizard/MergeField.h"

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

// Replaces every occurrence of token from position first on, continuing
// behind each inserted value, in one pass over the text.
QString replaceFrom(const QString &text, const QString &token, const QString &value, qsizetype first)
{
    QString result;
    result.reserve(text.size() + value.size() * 2);
    qsizetype copied = 0;
    for (qsizetype at = first; at >= 0; at = text.indexOf(token, copied)) {
        result.append(QStringView(text).mid(copied, at - copied));
        result.append(value);
        copied = at + token.size();
    }
    result.append(QStringView(text).mid(copied));
    return result;
}

} // namespace

QString MergeText(const MergeRowSource &source, int row, QString text, MergeTarget target)
{
    return MergeText(source, row, std::move(text), target, QDate::currentDate());
}

QString MergeText(const MergeRowSource &source, int row, QString text, MergeTarget target,
                  const QDate &today)
{
    for (const MergeField &field : MergeFields()) {
        const qsizetype first = text.indexOf(field.token);
        if (first < 0)
            continue;
        const std::optional<QString> value =
            field.columnKey.isEmpty() ? std::optional(dateText(today)) : source.cell(row, field.columnKey);
        if (!value)
            continue;
        text = replaceFrom(text, field.token,
                           target == MergeTarget::RtfSource ? RtfEscape(*value) : *value, first);
    }
    return text;
}

} // namespace OrvVelmora
