#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace OrvVelmora::Testing {

class SmtpTestServer;

/// One mail as a receiving client decodes it (by Python's mail parser, which shares no code with the sender).
struct ReceivedMail
{
    struct Attachment
    {
        QString fileName;
        QByteArray content;
        QMap<QString, QByteArray> zipped; ///< the members of a ZIP archive by name; empty for any other file
    };
    QMap<QString, QString> headers; ///< names in lower case, values decoded
    QString text, html;
    QList<Attachment> attachments;
    QString envelopeRecipient; ///< "RCPT <to>" of the envelope
};

/// Every message the server accepted, in session order, decoded.
QList<ReceivedMail> receivedMails(const SmtpTestServer &server);

} // namespace OrvVelmora::Testing
