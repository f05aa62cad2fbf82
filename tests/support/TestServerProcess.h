#pragma once

#include <QDeadlineTimer>
#include <QList>
#include <QProcess>
#include <QStringList>

namespace OrvVelmora::Testing {

/// Starts a Python test server and returns the words of the line it prints
/// once it listens ("READY <port> …"); empty when it ends first or takes over 20 s.
inline QList<QByteArray> startTestServer(QProcess &process, const QStringList &arguments)
{
    process.start(QStringLiteral(ORV_SYSTEM_PYTHON), arguments);
    const QDeadlineTimer deadline(20000);
    while (!process.canReadLine() && !deadline.hasExpired() && process.state() != QProcess::NotRunning)
        process.waitForReadyRead(200);
    const QList<QByteArray> words = process.readLine().trimmed().split(' ');
    return words.size() > 1 && words.constFirst() == "READY" ? words : QList<QByteArray>();
}

/// Ends a Python test server: closing its standard input asks it to stop, and a
/// server that does not within two seconds is killed so no test leaves one behind.
inline void stopTestServer(QProcess &process)
{
    process.closeWriteChannel();
    if (!process.waitForFinished(2000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

} // namespace OrvVelmora::Testing
