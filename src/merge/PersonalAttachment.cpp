#include "merge/PersonalAttachment.h"

#include "merge/MergeText.h"

#include <QDir>
#include <QFileInfo>

namespace OrvVelmora {

namespace {

// A name that is no plain file name, or keeps a placeholder whose cell could
// not be read, names no file of this recipient.
bool plainFileName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
        !name.contains(QLatin1String("..")) && !name.contains(QLatin1String("<#")) && !name.contains(QChar(0));
}

} // namespace

PersonalAttachment::Match PersonalAttachment::matchFor(const MergeRowSource &source, int row) const
{
    Match match{MergeText(source, row, pattern).trimmed(), {}};
    if (!isSet() || !plainFileName(match.name))
        return match;
    QString inside = QFileInfo(folder.trimmed()).canonicalFilePath();
    if (!inside.endsWith(QLatin1Char('/')))
        inside += QLatin1Char('/');
    const QFileInfo file(QDir(folder.trimmed()).filePath(match.name));
    // A link in the folder may still lead out of it.
    const QString real = file.canonicalFilePath();
    if (inside.size() > 1 && file.isFile() && file.isReadable() && real.startsWith(inside))
        match.path = file.absoluteFilePath();
    return match;
}

int PersonalAttachment::countFound(const MergeRowSource &source, int rowCount) const
{
    int found = 0;
    for (int row = 1; row <= rowCount; ++row)
        found += matchFor(source, row).found() ? 1 : 0;
    return found;
}

QString PersonalAttachment::missingText(const QString &name)
{
    return QStringLiteral("Persönliche Anlage „%1“ fehlt").arg(name);
}

} // namespace OrvVelmora
