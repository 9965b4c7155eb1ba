#pragma once

#include <QDeadlineTimer>
#include <QProcess>

namespace testsupport {

// Waits until the stand-in started as `process` says "ready" on its standard output (it then
// serves its service), at most `ms`; false when it ended or kept silent.
inline bool waitUntilReady(QProcess& process, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    QByteArray said;
    while (!said.contains("ready\n")) {
        if (process.state() != QProcess::Running || deadline.hasExpired())
            return false;
        process.waitForReadyRead(int(deadline.remainingTime()));
        said += process.readAllStandardOutput();
    }
    return true;
}

} // namespace testsupport
