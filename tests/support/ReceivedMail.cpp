#include "ReceivedMail.h"

#include "SmtpTestServer.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace OrvVelmora::Testing {

namespace {

QByteArray fromHex(const QJsonValue &value)
{
    return QByteArray::fromHex(value.toString().toLatin1());
}

ReceivedMail toMail(const QJsonObject &object)
{
    ReceivedMail mail;
    const QJsonObject headers = object.value(QStringLiteral("headers")).toObject();
    for (auto it = headers.begin(); it != headers.end(); ++it)
        mail.headers.insert(it.key(), it.value().toString());
    mail.text = object.value(QStringLiteral("text")).toString();
    mail.html = object.value(QStringLiteral("html")).toString();
    const QJsonArray attachments = object.value(QStringLiteral("attachments")).toArray();
    for (const auto &value : attachments) {
        const QJsonObject attachment = value.toObject();
        QMap<QString, QByteArray> zipped;
        const QJsonObject members = attachment.value(QStringLiteral("zipped")).toObject();
        for (auto it = members.begin(); it != members.end(); ++it)
            zipped.insert(it.key(), fromHex(it.value()));
        mail.attachments.append({attachment.value(QStringLiteral("filename")).toString(),
                                 fromHex(attachment.value(QStringLiteral("hex"))), zipped});
    }
    return mail;
}

} // namespace

QList<ReceivedMail> receivedMails(const SmtpTestServer &server)
{
    QStringList files, envelopes;
    const QDir sessions(server.directory() + QStringLiteral("/sessions"));
    for (const QString &session : sessions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir dir(sessions.filePath(session));
        for (const QString &eml : dir.entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name)) {
            files << dir.filePath(eml);
            const int index = eml.section(QLatin1Char('.'), 0, 0).toInt();
            envelopes << server.envelope(session.toInt(), index).filter(QStringLiteral("RCPT")).value(0);
        }
    }
    if (files.isEmpty())
        return {};
    QProcess parser;
    parser.start(QStringLiteral(ORV_SYSTEM_PYTHON),
                 QStringList{QStringLiteral(ORV_SOURCE_DIR "/tests/support/mail_parts.py")} + files);
    parser.waitForFinished(60000);
    const QJsonArray parsed = QJsonDocument::fromJson(parser.readAllStandardOutput()).array();
    QList<ReceivedMail> mails;
    for (qsizetype i = 0; i < parsed.size(); ++i) {
        mails.append(toMail(parsed.at(i).toObject()));
        mails.last().envelopeRecipient = envelopes.value(i);
    }
    return mails;
}

} // namespace OrvVelmora::Testing
