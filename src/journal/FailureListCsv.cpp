#include "journal/FailureListCsv.h"

#include "journal/JournalLog.h"

#include <QSaveFile>

namespace OrvVelmora {

namespace {

// A spreadsheet reads a cell that begins with one of these as a formula (tab
// and carriage return can hide one behind white space). Names and server texts
// come from outside, so such a cell gets a leading apostrophe, which keeps
// the text as text, and quotes.
bool startsLikeAFormula(const QString &text)
{
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && kFormulaStarts.contains(text.front());
}

QString field(QString text)
{
    const bool formula = startsLikeAFormula(text);
    if (formula)
        text.prepend(QLatin1Char('\''));
    if (!formula && !text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QByteArray FailureListCsv::render(const QList<FailedRecipient> &failures)
{
    QString text = QStringLiteral("Kunden-Nr;Name;Adresse;Grund\r\n");
    for (const FailedRecipient &f : failures)
        text += field(f.kundenNr) + QLatin1Char(';') + field(f.name) + QLatin1Char(';') + field(f.address) +
            QLatin1Char(';') + field(f.reason) + QStringLiteral("\r\n");
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool FailureListCsv::save(const QString &path, const QList<FailedRecipient> &failures)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(render(failures)) < 0 || !file.commit()) {
        qCWarning(lcJournal) << "cannot write the failure list to" << path << file.errorString();
        return false;
    }
    return true;
}

} // namespace OrvVelmora
