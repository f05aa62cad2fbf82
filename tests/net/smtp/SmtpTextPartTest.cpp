// The text parts are encoded without GMime's part objects; what goes out must
// still be exactly what GMime writes for such a part, whatever the text holds.
#include "net/smtp/SmtpMessageBuilder.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <gmime/gmime.h>
#include <gtest/gtest.h>

using namespace OrvVelmora;

namespace {

QByteArray wire(GMimeObject *object)
{
    GMimeFormatOptions *options = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
    GMimeStream *stream = g_mime_stream_mem_new();
    g_mime_object_write_to_stream(object, options, stream);
    GByteArray *bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    QByteArray result(reinterpret_cast<const char *>(bytes->data), qsizetype(bytes->len));
    g_object_unref(stream);
    g_mime_format_options_free(options);
    return result;
}

// GMime's own text part as the whole message (from its Content-Type on): LF
// line ends in, its best 7-bit encoding chosen by its filter.
QByteArray gmimeMessage(const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines.remove(QChar(0));
    const QByteArray bytes = lines.toUtf8();
    GMimePart *part = g_mime_part_new_with_type("text", "plain");
    g_mime_object_set_content_type_parameter(GMIME_OBJECT(part), "charset", "utf-8");
    GMimeStream *stream = g_mime_stream_mem_new_with_buffer(bytes.constData(), size_t(bytes.size()));
    GMimeDataWrapper *content = g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT);
    g_mime_part_set_content(part, content);
    g_mime_part_set_content_encoding(part, g_mime_part_get_best_content_encoding(part, GMIME_ENCODING_CONSTRAINT_7BIT));
    GMimeMessage *message = g_mime_message_new(FALSE);
    g_mime_message_set_mime_part(message, GMIME_OBJECT(part));
    const QByteArray result = wire(GMIME_OBJECT(message));
    g_object_unref(message);
    g_object_unref(content);
    g_object_unref(stream);
    g_object_unref(part);
    return result.sliced(result.indexOf("Content-Type: text/plain"));
}

} // namespace

TEST(SmtpTextPart, EveryKindOfTextIsEncodedAsGMimeEncodesIt)
{
    QList<QString> texts = {
        QString(),
        QStringLiteral("Hallo"),
        QStringLiteral("Grüße\r\nJörg\r\n"),
        QStringLiteral("Zeile\rZwei\r"),
        QStringLiteral(".Punkt\n.\nLeerzeichen am Ende  \nEnde "),
        QStringLiteral("a=b\tc \n=\n"),
        QStringLiteral("äöüßÄÖÜ€😀"),
        QString(998, QLatin1Char('y')),
        QString(999, QLatin1Char('y')),
        QString(100000, QLatin1Char('x')) + QStringLiteral("ä"),
        QString(QChar(0)) + QStringLiteral("NUL wird entfernt"),
    };
    // Around the share of 8-bit bytes where quoted-printable gives way to base64.
    for (int n = 5; n <= 12; ++n)
        texts << QString(n, QChar(0xe4)) + QString(100 - 2 * n, QLatin1Char('a'));

    g_mime_init();
    SmtpMessageBuilder builder;
    for (const QString &text : texts) {
        SmtpMessageContent content;
        content.fromAddress = "info@velmora.example";
        content.recipient = "kunde@example.org";
        content.messageId = QStringLiteral("1@velmora.example");
        content.body = text;
        QByteArray message;
        for (const QByteArray &piece : builder.build(content))
            message += piece;
        const qsizetype at = message.indexOf("Content-Type: text/plain");
        ASSERT_GE(at, 0) << message.constData();
        EXPECT_EQ(message.sliced(at).toStdString(), gmimeMessage(text).toStdString()) << text.left(40).toStdString();
    }
}
