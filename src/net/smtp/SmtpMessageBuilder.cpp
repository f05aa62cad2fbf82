#include "net/smtp/SmtpMessageBuilder.h"

#include <QDateTime>
#include <QMap>
#include <QPair>
#include <QRandomGenerator>

#include <gmime/gmime.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <utility>

namespace OrvVelmora {

namespace {

void initGMime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

/// Bodies arrive with any mix of line ends; GMime turns LF into CRLF on output.
QByteArray bodyText(const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines.remove(QChar(0));
    return lines.toUtf8();
}

/// GMime would read /dev/urandom for every boundary and Message-ID, and
/// re-read the time zone for every Date; at thousands of messages a second
/// that shows, so those three come from Qt instead.
QByteArray uniqueToken()
{
    std::array<quint32, 4> words;
    QRandomGenerator::global()->fillRange(words.data(), words.size());
    const QByteArray bytes(reinterpret_cast<const char *>(words.data()), sizeof words);
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

GMimeMultipart *multipart(const char *subtype)
{
    GMimeMultipart *part = g_mime_multipart_new_with_subtype(subtype);
    g_mime_multipart_set_boundary(part, ("=-" + uniqueToken()).constData());
    return part;
}

void setDate(GMimeMessage *message)
{
    const QDateTime now = QDateTime::currentDateTime();
    GTimeZone *zone = g_time_zone_new_offset(now.offsetFromUtc());
    const QDate day = now.date();
    const QTime time = now.time();
    GDateTime *date =
        g_date_time_new(zone, day.year(), day.month(), day.day(), time.hour(), time.minute(), time.second());
    g_mime_message_set_date(message, date);
    g_date_time_unref(date);
    g_time_zone_unref(zone);
}

const char *priorityHeader(int priority)
{
    if (priority == 1 || priority == 2)
        return "1 (Highest)";
    if (priority == 4 || priority == 5)
        return "5 (Lowest)";
    return "3 (Normal)";
}

const char *importanceHeader(int priority)
{
    if (priority == 1 || priority == 2)
        return "high";
    if (priority == 4 || priority == 5)
        return "low";
    return "normal";
}

void setContent(GMimePart *part, const QByteArray &bytes)
{
    GMimeStream *stream = g_mime_stream_mem_new_with_buffer(bytes.constData(), static_cast<size_t>(bytes.size()));
    GMimeDataWrapper *wrapper = g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT);
    g_mime_part_set_content(part, wrapper);
    g_object_unref(wrapper);
    g_object_unref(stream);
}

/// How a text goes over a 7-bit channel, decided as GMime's "best
/// encoding" for that constraint decides it: base64 when it holds NUL bytes
/// or mostly 8-bit ones, quoted-printable when it holds any 8-bit byte or a
/// line over 998 octets, otherwise as it is.
GMimeContentEncoding sevenBitEncoding(const QByteArray &bytes)
{
    qsizetype eightBit = 0;
    qsizetype longestLine = 0;
    qsizetype lineStart = 0;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        const auto byte = static_cast<unsigned char>(bytes.at(at));
        if (byte == 0)
            return GMIME_CONTENT_ENCODING_BASE64;
        if (byte >= 0x80)
            ++eightBit;
        else if (byte == '\n') {
            longestLine = std::max(longestLine, at - lineStart);
            lineStart = at + 1;
        }
    }
    longestLine = std::max(longestLine, bytes.size() - lineStart);
    if (eightBit > 0)
        return eightBit >= bytes.size() * 17 / 100 ? GMIME_CONTENT_ENCODING_BASE64
                                                   : GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
    return longestLine > 998 ? GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE : GMIME_CONTENT_ENCODING_DEFAULT;
}

QByteArray serialize(GMimeObject *object);

/// The header block (ending in the empty line) of a UTF-8 text part in this
/// encoding; GMime writes it once per kind, the bodies are encoded directly.
QByteArray textPartHeaders(const char *subtype, GMimeContentEncoding encoding)
{
    static std::mutex guard;
    static QMap<QPair<QByteArray, int>, QByteArray> known;
    const std::lock_guard lock(guard);
    QByteArray &headers = known[{QByteArray(subtype), int(encoding)}];
    if (headers.isEmpty()) {
        GMimePart *part = g_mime_part_new_with_type("text", subtype);
        g_mime_object_set_content_type_parameter(GMIME_OBJECT(part), "charset", "utf-8");
        g_mime_part_set_content_encoding(part, encoding);
        const QByteArray wire = serialize(GMIME_OBJECT(part));
        g_object_unref(part);
        const qsizetype end = wire.indexOf("\r\n\r\n");
        headers = end < 0 ? wire + "\r\n" : wire.left(end + 4);
    }
    return headers;
}

/// The text stays UTF-8 (GMime's own text part would pick a legacy charset);
/// the transfer encoding is what keeps lines short enough for SMTP. The body
/// goes through GMime's encoder as one buffer, without the part objects and
/// filter streams a whole part would cost for every recipient.
QByteArray textPart(const char *subtype, const QString &text)
{
    const QByteArray bytes = bodyText(text);
    const GMimeContentEncoding encoding = sevenBitEncoding(bytes);
    QByteArray encoded = bytes;
    if (encoding != GMIME_CONTENT_ENCODING_DEFAULT) {
        GMimeEncoding state;
        g_mime_encoding_init_encode(&state, encoding);
        encoded.resize(qsizetype(g_mime_encoding_outlen(&state, size_t(bytes.size()))));
        encoded.resize(
            qsizetype(g_mime_encoding_flush(&state, bytes.constData(), size_t(bytes.size()), encoded.data())));
    }
    encoded.replace('\n', "\r\n");
    return textPartHeaders(subtype, encoding) + encoded;
}

void addMailbox(GMimeMessage *message, GMimeAddressType type, const QString &name, const QByteArray &address)
{
    InternetAddress *mailbox =
        internet_address_mailbox_new(utf8(SmtpMessageBuilder::headerText(name)).constData(), address.constData());
    internet_address_set_charset(mailbox, "utf-8");
    internet_address_list_add(g_mime_message_get_addresses(message, type), mailbox);
    g_object_unref(mailbox);
}

/// The parts GMime writes in place of the texts and attachments, whose
/// wire forms the real pieces replace, and the multiparts whose boundaries
/// change with every message.
struct Skeleton
{
    QList<QByteArray> standIns;
    QList<GMimeMultipart *> multiparts;
};

/// A part whose wire form appears nowhere else in the message: its text is random.
GMimeObject *standIn(Skeleton &skeleton);

GMimeMultipart *multipart(Skeleton &skeleton, const char *subtype)
{
    GMimeMultipart *part = multipart(subtype);
    skeleton.multiparts.append(part);
    return part;
}

GMimeObject *bodyPart(bool html, Skeleton &skeleton)
{
    GMimeObject *plain = standIn(skeleton);
    if (!html)
        return plain;
    GMimeMultipart *alternative = multipart(skeleton, "alternative");
    g_mime_multipart_add(alternative, plain);
    g_object_unref(plain);
    GMimeObject *formatted = standIn(skeleton);
    g_mime_multipart_add(alternative, formatted);
    g_object_unref(formatted);
    return GMIME_OBJECT(alternative);
}

void useUtf8(GMimeParamList *parameters, const char *name)
{
    if (GMimeParam *param = g_mime_param_list_get_parameter(parameters, name))
        g_mime_param_set_charset(param, "utf-8");
}

GMimePart *attachmentPart(const QString &fileName, const QString &mimeType)
{
    const QByteArray type = mimeType.toUtf8();
    const qsizetype slash = type.indexOf('/');
    const QByteArray major = slash > 0 ? type.left(slash) : QByteArray("application");
    const QByteArray minor = slash > 0 ? type.mid(slash + 1) : QByteArray("octet-stream");
    GMimePart *part = g_mime_part_new_with_type(major.constData(), minor.constData());
    g_mime_object_set_disposition(GMIME_OBJECT(part), "attachment");
    g_mime_part_set_filename(part, utf8(SmtpMessageBuilder::headerText(fileName)).constData());
    useUtf8(g_mime_content_disposition_get_parameters(g_mime_object_get_content_disposition(GMIME_OBJECT(part))),
            "filename");
    useUtf8(g_mime_content_type_get_parameters(g_mime_object_get_content_type(GMIME_OBJECT(part))), "name");
    return part;
}

GMimeObject *standIn(Skeleton &skeleton)
{
    GMimePart *part = g_mime_part_new_with_type("text", "plain");
    setContent(part, "velmora-part-" + uniqueToken());
    g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_7BIT);
    skeleton.standIns.append(serialize(GMIME_OBJECT(part)));
    return GMIME_OBJECT(part);
}

/// The body, then a stand-in per attachment.
GMimeObject *topPart(bool html, qsizetype attachments, Skeleton &skeleton)
{
    GMimeObject *body = bodyPart(html, skeleton);
    if (attachments == 0)
        return body;
    GMimeMultipart *mixed = multipart(skeleton, "mixed");
    g_mime_multipart_add(mixed, body);
    g_object_unref(body);
    for (qsizetype i = 0; i < attachments; ++i) {
        GMimeObject *part = standIn(skeleton);
        g_mime_multipart_add(mixed, part);
        g_object_unref(part);
    }
    return GMIME_OBJECT(mixed);
}

void setText(GMimeObject *object, const char *name, const QString &value)
{
    g_mime_object_set_header(object, name, utf8(SmtpMessageBuilder::headerText(value)).constData(), "utf-8");
}

/// GMime passes text that already looks like an encoded word through as it
/// is, and every reader would then decode it. Such text is encoded in full
/// instead, so "=?utf-8?b?...?=" typed as a subject arrives as typed.
bool looksEncoded(const QString &text)
{
    return text.contains(QStringLiteral("=?"));
}

QByteArray encodedWords(const QString &text)
{
    // 45 bytes make 60 base64 characters: with "=?utf-8?b?" and "?=" a word
    // stays under the 75 allowed, and no character is split between words.
    constexpr qsizetype kWordBytes = 45;
    QByteArray words;
    QByteArray run;
    const auto flush = [&] {
        if (run.isEmpty())
            return;
        words += (words.isEmpty() ? QByteArray() : QByteArray("\n ")) + "=?utf-8?b?" + run.toBase64() + "?=";
        run.clear();
    };
    for (const char32_t point : text.toUcs4()) {
        const QByteArray bytes = QString::fromUcs4(&point, 1).toUtf8();
        if (run.size() + bytes.size() > kWordBytes)
            flush();
        run += bytes;
    }
    flush();
    return words;
}

void setRawHeader(GMimeObject *object, const char *name, const QByteArray &value)
{
    if (GMimeHeader *header = g_mime_header_list_get_header(g_mime_object_get_header_list(object), name))
        g_mime_header_set_raw_value(header, (' ' + value + '\n').constData());
}

/// The headers that change from recipient to recipient.
void setRecipientHeaders(GMimeMessage *message, const SmtpMessageContent &content)
{
    internet_address_list_clear(g_mime_message_get_addresses(message, GMIME_ADDRESS_TYPE_TO));
    addMailbox(message, GMIME_ADDRESS_TYPE_TO, QString(), content.recipient);
    const QString subject = SmtpMessageBuilder::headerText(content.subject);
    g_mime_message_set_subject(message, utf8(subject).constData(), "utf-8");
    if (looksEncoded(subject))
        setRawHeader(GMIME_OBJECT(message), "Subject", encodedWords(subject));
    setDate(message);
    const QByteArray id = content.messageId.isEmpty() ? uniqueToken() + '@' + utf8(content.idDomain)
                                                      : utf8(SmtpMessageBuilder::headerText(content.messageId));
    g_mime_message_set_message_id(message, id.constData());
}

/// Every header, in the order in which a message shows them.
void setHeaders(GMimeMessage *message, const SmtpMessageContent &content)
{
    GMimeObject *object = GMIME_OBJECT(message);
    addMailbox(message, GMIME_ADDRESS_TYPE_FROM, content.fromName, content.fromAddress);
    if (!content.replyTo.isEmpty())
        addMailbox(message, GMIME_ADDRESS_TYPE_REPLY_TO, QString(), content.replyTo);
    setRecipientHeaders(message, content);
    if (!content.organization.isEmpty())
        setText(object, "Organization", content.organization);
    g_mime_object_set_header(object, "X-Priority", priorityHeader(content.priority), nullptr);
    g_mime_object_set_header(object, "Importance", importanceHeader(content.priority), nullptr);
    if (content.readReceipt)
        g_mime_object_set_header(object, "Disposition-Notification-To", ("<" + content.fromAddress + ">").constData(),
                                 nullptr);
    g_mime_object_set_header(object, "MIME-Version", "1.0", nullptr);
    const QString name = SmtpMessageBuilder::headerText(content.fromName);
    if (looksEncoded(name))
        setRawHeader(object, "From", encodedWords(name) + " <" + content.fromAddress + '>');
    const QString organization = SmtpMessageBuilder::headerText(content.organization);
    if (looksEncoded(organization))
        setRawHeader(object, "Organization", encodedWords(organization));
}

QByteArray serialize(GMimeObject *object)
{
    GMimeFormatOptions *options = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
    GMimeStream *stream = g_mime_stream_mem_new();
    g_mime_object_write_to_stream(object, options, stream);
    GByteArray *bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    QByteArray result(reinterpret_cast<const char *>(bytes->data), static_cast<qsizetype>(bytes->len));
    g_object_unref(stream);
    g_mime_format_options_free(options);
    return result;
}

} // namespace

QString SmtpMessageBuilder::headerText(const QString &value)
{
    QString clean = value;
    for (QChar &c : clean) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar(0x2028) || c == QChar(0x2029))
            c = QLatin1Char(' ');
    }
    return clean;
}

/// GMime's message for one shape of message: sender, reply address,
/// organisation, priority, read receipt, whether there is an HTML form and
/// how many attachments. A mailing keeps its shape from the first message to
/// the last, so GMime's objects are made once and only what differs per
/// recipient is set again.
struct SmtpMessageBuilder::Frame
{
    struct Shape
    {
        QString fromName;
        QByteArray fromAddress;
        QByteArray replyTo;
        QString organization;
        int priority = 3;
        bool readReceipt = false;
        bool html = false;
        qsizetype attachments = 0;
        bool operator==(const Shape &) const = default;
    };

    static Shape shapeOf(const SmtpMessageContent &content)
    {
        return {content.fromName, content.fromAddress, content.replyTo,         content.organization,
                content.priority, content.readReceipt, !content.html.isEmpty(), content.attachments.size()};
    }

    explicit Frame(const SmtpMessageContent &content)
        : shape(shapeOf(content))
        , message(g_mime_message_new(TRUE))
    {
        setHeaders(message, content);
        GMimeObject *top = topPart(shape.html, shape.attachments, skeleton);
        g_mime_message_set_mime_part(message, top);
        g_object_unref(top);
    }
    ~Frame() { g_object_unref(message); }
    Q_DISABLE_COPY(Frame)

    Shape shape;
    GMimeMessage *message;
    Skeleton skeleton;
};

SmtpMessageBuilder::SmtpMessageBuilder() = default;
SmtpMessageBuilder::~SmtpMessageBuilder() = default;

namespace {

// Attachments are compared by their encoded data itself, not its bytes: the
// list shares one copy with every message of a run, and a prepared message
// is discarded whenever the list changes (see discardPrepared()).
bool sameAttachments(const QList<SmtpAttachment> &a, const QList<SmtpAttachment> &b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(), [](const auto &x, const auto &y) {
        return x.fileName == y.fileName && x.mimeType == y.mimeType &&
            x.encodedPart.constData() == y.encodedPart.constData() && x.encodedPart.size() == y.encodedPart.size();
    });
}

bool sameContent(const SmtpMessageContent &a, const SmtpMessageContent &b)
{
    return a.recipient == b.recipient && a.subject == b.subject && a.body == b.body && a.html == b.html &&
        a.fromName == b.fromName && a.fromAddress == b.fromAddress && a.replyTo == b.replyTo &&
        a.organization == b.organization && a.priority == b.priority && a.readReceipt == b.readReceipt &&
        a.idDomain == b.idDomain && a.messageId == b.messageId && sameAttachments(a.attachments, b.attachments);
}

} // namespace

void SmtpMessageBuilder::prepare(const SmtpMessageContent &content)
{
    m_prepared.reset();
    QList<QByteArray> pieces = build(content);
    m_prepared = Prepared{content, std::move(pieces)};
}

QList<QByteArray> SmtpMessageBuilder::build(const SmtpMessageContent &content)
{
    if (std::optional<Prepared> prepared = std::exchange(m_prepared, std::nullopt)) {
        if (sameContent(prepared->content, content))
            return std::move(prepared->pieces);
    }
    initGMime();
    if (m_frame && m_frame->shape == Frame::shapeOf(content))
        setRecipientHeaders(m_frame->message, content);
    else
        m_frame = std::make_unique<Frame>(content);
    for (GMimeMultipart *part : std::as_const(m_frame->skeleton.multiparts))
        g_mime_multipart_set_boundary(part, ("=-" + uniqueToken()).constData());
    QList<QByteArray> pieces{textPart("plain", content.body)};
    if (!content.html.isEmpty())
        pieces << textPart("html", content.html);
    for (const SmtpAttachment &attachment : content.attachments)
        pieces << attachment.encodedPart;
    return spliced(serialize(GMIME_OBJECT(m_frame->message)), m_frame->skeleton.standIns, pieces);
}

QList<QByteArray> SmtpMessageBuilder::spliced(const QByteArray &wire, const QList<QByteArray> &standIns,
                                              const QList<QByteArray> &pieces)
{
    QList<QByteArray> message;
    qsizetype from = 0;
    for (qsizetype i = 0; i < standIns.size(); ++i) {
        const qsizetype at = wire.indexOf(standIns.at(i), from);
        Q_ASSERT(at >= 0);
        message << wire.mid(from, at - from) << pieces.at(i);
        from = at + standIns.at(i).size();
    }
    // A message that is one text part ends in a line end, which GMime added
    // after the stand-in; a body that brings its own keeps only that one.
    if (standIns.size() == 1 && pieces.constFirst().endsWith('\n') && wire.sliced(from).startsWith("\r\n"))
        from += 2;
    message << wire.mid(from);
    return message;
}

QByteArray SmtpMessageBuilder::attachmentHeaders(const QString &fileName, const QString &mimeType)
{
    initGMime();
    GMimePart *part = attachmentPart(fileName, mimeType);
    g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
    setContent(part, QByteArray());
    QByteArray wire = serialize(GMIME_OBJECT(part));
    g_object_unref(part);
    const qsizetype end = wire.indexOf("\r\n\r\n");
    return end < 0 ? wire + "\r\n" : wire.left(end + 4);
}

QByteArray SmtpMessageBuilder::base64Lines(const QByteArray &bytes)
{
    constexpr qsizetype kLine = 76;
    // Whole 57-byte groups encode to whole lines; chunking keeps the
    // temporary encoding small for a large file.
    constexpr qsizetype kChunk = 57 * 16 * 1024;
    QByteArray lines;
    lines.reserve(bytes.size() * 4 / 3 + bytes.size() / 28 + 8);
    for (qsizetype at = 0; at < bytes.size(); at += kChunk) {
        const QByteArray encoded = bytes.mid(at, kChunk).toBase64();
        for (qsizetype line = 0; line < encoded.size(); line += kLine) {
            lines += QByteArrayView(encoded).sliced(line, qMin(kLine, encoded.size() - line));
            lines += "\r\n";
        }
    }
    return lines;
}

} // namespace OrvVelmora
