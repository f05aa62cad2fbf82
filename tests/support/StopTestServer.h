#pragma once

#include <QProcess>

namespace OrvVelmora::Testing {

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
