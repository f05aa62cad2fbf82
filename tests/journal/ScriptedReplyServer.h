#pragma once

#include "TestServerProcess.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

/// tests/support/scripted_reply_server.py on loopback: RCPT replies scripted
/// per address, optionally slow, every accepted message logged.
class ScriptedReplyServer
{
public:
    /// replies: address -> the replies its RCPTs get, in order (then 250).
    explicit ScriptedReplyServer(const QMap<QString, QStringList> &replies = {}, int delayMs = 0)
    {
        QJsonObject script;
        for (auto it = replies.cbegin(); it != replies.cend(); ++it)
            script.insert(it.key(), QJsonValue::fromVariant(it.value()));
        QFile file(m_dir.filePath(QStringLiteral("replies.json")));
        if (file.open(QIODevice::WriteOnly))
            file.write(QJsonDocument(script).toJson());
        file.close();
        const QList<QByteArray> ready = OrvVelmora::Testing::startTestServer(
            m_process,
            {QStringLiteral(ORV_SOURCE_DIR "/tests/support/scripted_reply_server.py"), QStringLiteral("--replies"),
             file.fileName(), QStringLiteral("--log"), logPath(), QStringLiteral("--delay-ms"),
             QString::number(delayMs)});
        m_port = quint16(ready.value(1).toUInt());
    }
    ~ScriptedReplyServer() { OrvVelmora::Testing::stopTestServer(m_process); }

    [[nodiscard]] quint16 port() const { return m_port; }
    [[nodiscard]] QString logPath() const { return m_dir.filePath(QStringLiteral("delivered.log")); }
    /// Recipients of the accepted messages, in order.
    [[nodiscard]] QStringList delivered() const
    {
        QFile file(logPath());
        QStringList result;
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray &line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    result.append(QString::fromUtf8(line.split('\t').first()));
        return result;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
