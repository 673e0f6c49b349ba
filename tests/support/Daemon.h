#pragma once

#include <signal.h>
#include <sys/prctl.h>

#include <QProcess>

namespace wystrand::test {

// A server the tests run beside them, its errors discarded: it ends with stopDaemon or, through
// SIGTERM so that it cleans up after itself, with the test process.
inline void startDaemon(QProcess& daemon, const QStringList& argv) {
    daemon.setStandardErrorFile(QProcess::nullDevice());
    daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon.start(argv.first(), argv.mid(1));
}

inline void stopDaemon(QProcess& daemon) {
    daemon.terminate();
    daemon.waitForFinished();
}

}  // namespace wystrand::test
