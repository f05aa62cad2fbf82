#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace OrvVelmora::Testing {

inline QString rtfFixtureDir()
{
    return QString::fromUtf8(ORV_FIXTURES_DIR "/rtf/");
}

inline QByteArray readFixture(const QString &name)
{
    QFile file(rtfFixtureDir() + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Words of a text with list markers and all white space taken out, so that
/// texts from different extractors compare by what was written.
QStringList normalisedWords(const QString &text);

/// Share of the words of `expected` (as a multiset) that `actual` also has.
double wordCoverage(const QStringList &expected, const QStringList &actual);

} // namespace OrvVelmora::Testing
