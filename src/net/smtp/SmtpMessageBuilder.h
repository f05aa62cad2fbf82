#pragma once

#include "net/smtp/SmtpAttachmentList.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace OrvVelmora {

/// What one message says; addresses are already checked (SmtpAddress).
struct SmtpMessageContent
{
    QString fromName;
    QByteArray fromAddress;
    QByteArray replyTo;
    QString organization;
    QByteArray recipient;
    QString subject;
    QString body;
    QString html;
    int priority = 3;
    bool readReceipt = false;
    /// The host part of the Message-ID.
    QString idDomain;
    /// The whole Message-ID without angle brackets; empty: a new one.
    QString messageId;
    QList<SmtpAttachment> attachments;
};

/// Builds the wire form of a message with GMime: UTF-8 throughout, display
/// names and subject as RFC 2047 encoded words, attachment names by RFC 2231,
/// every part in the encoding GMime finds safe for 7-bit transport (so no line
/// exceeds 998 octets), and CRLF line ends only. Dot-stuffing is left to the
/// SMTP layer, which applies it to whatever it sends.
///
/// Structure: text/plain alone; with an HTML form multipart/alternative
/// (plain first, then html); with attachments all of that as the first part of
/// multipart/mixed. GMime writes the headers and the structure with a small
/// stand-in part for each text and attachment, which the real pieces then
/// replace: attachments arrive already encoded (SmtpAttachmentList), and the
/// texts are encoded as one buffer by GMime's encoder, in the encoding its
/// part would choose, which saves a thousand-recipient mailing the part
/// objects and filter streams per message.
class SmtpMessageBuilder
{
public:
    SmtpMessageBuilder();
    ~SmtpMessageBuilder();
    Q_DISABLE_COPY(SmtpMessageBuilder)

    /// The message as consecutive pieces: the encoded attachments are shared,
    /// not copied, so a large file costs its encoded size once per run.
    /// Consecutive messages of the same shape (everything but recipient,
    /// subject, texts and Message-ID alike) reuse GMime's objects.
    QList<QByteArray> build(const SmtpMessageContent &content);
    /// Builds a message ahead of time: the next build() of the same content
    /// returns it (with the Date and Message-ID it got now) instead of
    /// building it again. Any other build() discards it.
    void prepare(const SmtpMessageContent &content);
    /// Forgets a message built ahead; its owner calls this when the
    /// attachments change, as those are compared by identity only.
    void discardPrepared() { m_prepared.reset(); }
    /// The header block (ending in the empty line) of an attachment's part.
    static QByteArray attachmentHeaders(const QString &fileName, const QString &mimeType);
    /// Base64 in lines of 76 characters, each ending in CRLF.
    static QByteArray base64Lines(const QByteArray &bytes);
    /// A header value with CR, LF and other control characters turned into
    /// blanks: nothing a caller passes can start a header line of its own.
    static QString headerText(const QString &value);

private:
    struct Frame;
    static QList<QByteArray> spliced(const QByteArray &wire, const QList<QByteArray> &standIns,
                                     const QList<QByteArray> &pieces);

    std::unique_ptr<Frame> m_frame;
    struct Prepared
    {
        SmtpMessageContent content;
        QList<QByteArray> pieces;
    };
    std::optional<Prepared> m_prepared;
};

} // namespace OrvVelmora
