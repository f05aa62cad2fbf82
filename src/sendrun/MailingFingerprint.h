#pragma once

#include <QList>
#include <QString>

namespace OrvVelmora {

struct SendAttachment;

/// A digest of everything that makes two mailings "the same": subject, both
/// texts and the attachments (name, zip mark and content). The journal keeps
/// only the digest, never the texts.
class MailingFingerprint
{
public:
    /// An attachment that cannot be read enters with its name and mark only.
    [[nodiscard]] static QString of(const QString &subject, const QString &text, const QString &rtf,
                                    const QList<SendAttachment> &attachments);
};

} // namespace OrvVelmora
