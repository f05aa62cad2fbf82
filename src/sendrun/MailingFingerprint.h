#pragma once

#include <QList>
#include <QString>

namespace OrvVelmora {

struct PersonalAttachment;
struct SendAttachment;

/// A digest of everything that makes two mailings "the same": subject, both
/// texts, the attachments (name, zip mark and content) and where each
/// recipient's own file is taken from (folder, name pattern, zip mark; not the
/// files, which may well be renewed before a mailing goes on). The journal
/// keeps only the digest, never the texts.
class MailingFingerprint
{
public:
    /// An attachment that cannot be read enters with its name and mark only.
    [[nodiscard]] static QString of(const QString &subject, const QString &text, const QString &rtf,
                                    const QList<SendAttachment> &attachments, const PersonalAttachment &personal);
};

} // namespace OrvVelmora
