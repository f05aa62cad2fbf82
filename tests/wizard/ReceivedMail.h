#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace OrvVelmora::Testing {

class SmtpTestServer;

/// One mail as a receiving client decodes it (by Python's mail parser, which
/// shares no code with the sender).
struct ReceivedMail
{
    struct Attachment
    {
        QString fileName;
        QByteArray content;
        /// The members of a ZIP archive by name; empty for any other file.
        QMap<QString, QByteArray> zipped;
    };
    /// Header names in lower case, values decoded.
    QMap<QString, QString> headers;
    QString text;
    QString html;
    QList<Attachment> attachments;
    /// "RCPT <to>" of the envelope.
    QString envelopeRecipient;
};

/// Every message the server accepted, in session order, decoded.
QList<ReceivedMail> receivedMails(const SmtpTestServer &server);

} // namespace OrvVelmora::Testing
