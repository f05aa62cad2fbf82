#include "outside/smtp/SmtpMessageBuilder.h"

#include <QDateTime>
#include <QMap>
#include <QPair>
#include <QRandomGenerator>

#include <gmime/gmime.h>

#include <algorithm>
#include <array>
#include <mutex>

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

/// A part whose wire form appears nowhere else in the message: its text is
/// random. The final message has the real piece in its place.
struct StandIns
{
    QList<QByteArray> wire;
    QList<QByteArray> pieces;
};

GMimeObject *standIn(StandIns &standIns, const QByteArray &piece);

GMimeObject *bodyPart(const SmtpMessageContent &content, StandIns &standIns)
{
    GMimeObject *plain = standIn(standIns, textPart("plain", content.body));
    if (content.html.isEmpty())
        return plain;
    GMimeMultipart *alternative = multipart("alternative");
    g_mime_multipart_add(alternative, plain);
    g_object_unref(plain);
    GMimeObject *html = standIn(standIns, textPart("html", content.html));
    g_mime_multipart_add(alternative, html);
    g_object_unref(html);
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

GMimeObject *standIn(StandIns &standIns, const QByteArray &piece)
{
    GMimePart *part = g_mime_part_new_with_type("text", "plain");
    setContent(part, "velmora-part-" + uniqueToken());
    g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_7BIT);
    standIns.wire.append(serialize(GMIME_OBJECT(part)));
    standIns.pieces.append(piece);
    return GMIME_OBJECT(part);
}

/// The body, then a stand-in per attachment.
GMimeObject *topPart(const SmtpMessageContent &content, StandIns &standIns)
{
    GMimeObject *body = bodyPart(content, standIns);
    if (content.attachments.isEmpty())
        return body;
    GMimeMultipart *mixed = multipart("mixed");
    g_mime_multipart_add(mixed, body);
    g_object_unref(body);
    for (const SmtpAttachment &attachment : content.attachments) {
        GMimeObject *part = standIn(standIns, attachment.encodedPart);
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

void keepTypedText(GMimeObject *object, const SmtpMessageContent &content)
{
    const QString subject = SmtpMessageBuilder::headerText(content.subject);
    if (looksEncoded(subject))
        setRawHeader(object, "Subject", encodedWords(subject));
    const QString name = SmtpMessageBuilder::headerText(content.fromName);
    if (looksEncoded(name))
        setRawHeader(object, "From", encodedWords(name) + " <" + content.fromAddress + '>');
    const QString organization = SmtpMessageBuilder::headerText(content.organization);
    if (looksEncoded(organization))
        setRawHeader(object, "Organization", encodedWords(organization));
}

void setHeaders(GMimeMessage *message, const SmtpMessageContent &content)
{
    GMimeObject *object = GMIME_OBJECT(message);
    addMailbox(message, GMIME_ADDRESS_TYPE_FROM, content.fromName, content.fromAddress);
    if (!content.replyTo.isEmpty())
        addMailbox(message, GMIME_ADDRESS_TYPE_REPLY_TO, QString(), content.replyTo);
    addMailbox(message, GMIME_ADDRESS_TYPE_TO, QString(), content.recipient);
    g_mime_message_set_subject(message, utf8(SmtpMessageBuilder::headerText(content.subject)).constData(), "utf-8");
    setDate(message);
    const QByteArray id = content.messageId.isEmpty() ? uniqueToken() + '@' + utf8(content.idDomain)
                                                      : utf8(SmtpMessageBuilder::headerText(content.messageId));
    g_mime_message_set_message_id(message, id.constData());
    if (!content.organization.isEmpty())
        setText(object, "Organization", content.organization);
    g_mime_object_set_header(object, "X-Priority", priorityHeader(content.priority), nullptr);
    g_mime_object_set_header(object, "Importance", importanceHeader(content.priority), nullptr);
    if (content.readReceipt)
        g_mime_object_set_header(object, "Disposition-Notification-To", ("<" + content.fromAddress + ">").constData(),
                                 nullptr);
    g_mime_object_set_header(object, "MIME-Version", "1.0", nullptr);
    keepTypedText(object, content);
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

QList<QByteArray> SmtpMessageBuilder::build(const SmtpMessageContent &content)
{
    initGMime();
    GMimeMessage *message = g_mime_message_new(TRUE);
    setHeaders(message, content);
    StandIns standIns;
    GMimeObject *top = topPart(content, standIns);
    g_mime_message_set_mime_part(message, top);
    g_object_unref(top);
    QByteArray wire = serialize(GMIME_OBJECT(message));
    g_object_unref(message);
    QList<QByteArray> pieces;
    qsizetype from = 0;
    for (qsizetype i = 0; i < standIns.wire.size(); ++i) {
        const qsizetype at = wire.indexOf(standIns.wire.at(i), from);
        Q_ASSERT(at >= 0);
        pieces << wire.mid(from, at - from) << standIns.pieces.at(i);
        from = at + standIns.wire.at(i).size();
    }
    // A message that is one text part ends in a line end, which GMime added
    // after the stand-in; a body that brings its own keeps only that one.
    const bool alone = standIns.wire.size() == 1;
    if (alone && standIns.pieces.constFirst().endsWith('\n') && wire.sliced(from).startsWith("\r\n"))
        from += 2;
    pieces << wire.mid(from);
    return pieces;
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
