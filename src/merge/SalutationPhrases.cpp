#include "merge/SalutationPhrases.h"

namespace OrvVelmora {

namespace {

QString firstWord(const QString &text)
{
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    return blank < 0 ? text : text.left(blank);
}

bool is(const QString &word, const char *expected)
{
    return word.compare(QLatin1String(expected), Qt::CaseInsensitive) == 0;
}

} // namespace

QString SalutationPhrases::salutation(const QString &anrede, const QString &name) const
{
    QString title = anrede.trimmed();
    const QString surname = name.trimmed();
    const QString word = firstWord(title);
    if (surname.isEmpty() || word.isEmpty())
        return nobody;
    // Address lists often keep the envelope's "Herrn"; the letter itself
    // greets "Herr".
    if (is(word, "Herrn"))
        title.remove(4, 1);
    if (is(word, "Herr") || is(word, "Herrn"))
        return male + QLatin1Char(' ') + title + QLatin1Char(' ') + surname;
    if (is(word, "Frau") || is(word, "Familie"))
        return female + QLatin1Char(' ') + title + QLatin1Char(' ') + surname;
    return nobody;
}

SalutationPhrases SalutationPhrases::orDefaults() const
{
    const SalutationPhrases defaults;
    const auto pick = [](const QString &set, const QString &fallback) {
        return set.trimmed().isEmpty() ? fallback : set.trimmed();
    };
    return {pick(female, defaults.female), pick(male, defaults.male), pick(nobody, defaults.nobody)};
}

} // namespace OrvVelmora
