#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace OrvVelmora::Testing {

/// A document built to break an RTF reader, generated on demand because
/// some are tens of megabytes. expectedText is the text a correct reader
/// delivers, or empty where only surviving is the point.
struct HostileCase
{
    QString name;
    std::function<QByteArray()> make;
    QString expectedText;
};

/// The generated hostile documents: unbalanced and truncated groups, deep
/// nesting, \bin abuse, absurd parameters, NUL bytes, huge tables, a 50 MB paragraph.
QList<HostileCase> hostileCorpus();

} // namespace OrvVelmora::Testing
