#include "sendrun/MailingFingerprint.h"

#include "merge/PersonalAttachment.h"
#include "sendrun/SendRunLog.h"
#include "sendrun/SendRunView.h"

#include <QCryptographicHash>
#include <QFile>

namespace OrvVelmora {

namespace {

// Each part enters with its length first, so that moving text from one part
// to the next changes the digest.
void addPart(QCryptographicHash &hash, const QByteArray &part)
{
    hash.addData(QByteArray::number(part.size()) + ':');
    hash.addData(part);
}

} // namespace

QString MailingFingerprint::of(const QString &subject, const QString &text, const QString &rtf,
                               const QList<SendAttachment> &attachments, const PersonalAttachment &personal)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString &part : {subject, text, rtf})
        addPart(hash, part.toUtf8());
    for (const SendAttachment &attachment : attachments) {
        addPart(hash, attachment.fileName.toUtf8() + (attachment.zip ? ":zip" : ":plain"));
        QFile file(attachment.fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            qCWarning(lcSendRun) << "fingerprint without the content of" << attachment.fileName;
            continue;
        }
        QCryptographicHash content(QCryptographicHash::Sha256);
        content.addData(&file);
        addPart(hash, content.result());
    }
    // Left out when unset, so that mailings without one keep the digest the
    // journal already holds for them.
    if (personal.isSet())
        addPart(hash,
                (personal.folder + QLatin1Char('\n') + personal.pattern).toUtf8() + (personal.zip ? ":zip" : ":plain"));
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace OrvVelmora
