#include "support/XvfbServer.h"

#include "support/Daemon.h"

namespace wystrand::test {

XvfbServer::~XvfbServer() {
    stopDaemon(xvfb_);
}

std::string XvfbServer::start() {
    if (xvfb_.state() == QProcess::NotRunning && display_.empty()) {
        // Xvfb writes its display number once it is ready.
        startDaemon(xvfb_, {"Xvfb", "-displayfd", "1", "-screen", "0", screen_, "-nolisten", "tcp",
                            "-noreset"});
        while (!xvfb_.canReadLine() && xvfb_.waitForReadyRead(10000)) {
        }
        if (xvfb_.canReadLine()) {
            display_ = ":" + xvfb_.readLine().trimmed().toStdString();
        }
    }
    return display_;
}

}  // namespace wystrand::test
