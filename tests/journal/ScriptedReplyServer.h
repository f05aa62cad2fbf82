#pragma once

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
        m_process.start(QStringLiteral(ORV_SYSTEM_PYTHON),
                        {QStringLiteral(ORV_SOURCE_DIR "/tests/support/scripted_reply_server.py"),
                         QStringLiteral("--replies"), file.fileName(), QStringLiteral("--log"), logPath(),
                         QStringLiteral("--delay-ms"), QString::number(delayMs)});
        if (m_process.waitForReadyRead(10000))
            m_port = quint16(QString::fromLatin1(m_process.readLine()).section(QLatin1Char(' '), 1).trimmed().toUInt());
    }
    ~ScriptedReplyServer()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }

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
