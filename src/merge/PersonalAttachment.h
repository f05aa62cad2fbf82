#pragma once

#include <QString>

namespace OrvVelmora {

class MergeRowSource;

/// A file of its own for every recipient: a folder and a file name written
/// with placeholders ("Rechnung <#KD_NUMMER#>.pdf"), merged per recipient;
/// packed as ZIP when zip is set, like the other attachments.
///
/// A recipient's file is found only inside the folder: a name that a field
/// value turns into a path ("/", "\", "..") or a link leading out of the
/// folder counts as missing, so a customer record can never send another
/// file of this computer.
struct PersonalAttachment
{
    QString folder;
    QString pattern;
    bool zip = false;

    /// One recipient's file: its name as merged, and its full path when
    /// the file is there (empty: missing).
    struct Match
    {
        QString name;
        QString path;
        [[nodiscard]] bool found() const { return !path.isEmpty(); }
    };

    /// True when a folder and a name are given.
    [[nodiscard]] bool isSet() const { return !folder.trimmed().isEmpty() && !pattern.trimmed().isEmpty(); }
    [[nodiscard]] Match matchFor(const MergeRowSource &source, int row) const;
    /// How many of rows 1..rowCount have their file.
    [[nodiscard]] int countFound(const MergeRowSource &source, int rowCount) const;
    /// "Persönliche Anlage „name“ fehlt": why a recipient gets nothing.
    [[nodiscard]] static QString missingText(const QString &name);

    bool operator==(const PersonalAttachment &) const = default;
};

} // namespace OrvVelmora
