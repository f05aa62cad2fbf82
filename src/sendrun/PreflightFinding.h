#pragma once

#include <QList>
#include <QString>

namespace OrvVelmora {

/// What the check before a mailing can find.
enum class FindingKind {
    UnknownPlaceholder, ///< "<#…#>" that is no placeholder: it would go out as typed
    EmptySubject,
    EmptyLetter,       ///< nothing but blanks and line breaks
    MissingAttachment, ///< gone or unreadable: nothing can be sent until it is fixed
    InvalidAddress,
    SharedAddress,             ///< an address in more than one row
    EmptyField,                ///< a field the texts use is empty for some recipients
    LargeMessage,              ///< over the server's announced size, or over 10 MB
    ChangedLetter,             ///< an interrupted mailing goes on with a changed letter
    MissingPersonalAttachment, ///< recipients whose own file is not there: they get nothing
};

/// One line of the check's list: what was found, in the person's words, the
/// rows of the recipient list it concerns (none: it concerns every recipient),
/// and whether it stops the mailing from going out at all.
struct PreflightFinding
{
    FindingKind kind = FindingKind::UnknownPlaceholder;
    QString text;
    QList<qint32> rows;
    bool refuses = false;
};

} // namespace OrvVelmora
