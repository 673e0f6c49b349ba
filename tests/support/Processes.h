#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>

#include <QProcess>
#include <chrono>
#include <map>
#include <memory>
#include <optional>

#include "support/PrivateServers.h"
#include "support/Wait.h"

namespace wystrand::test {

using namespace std::chrono_literals;

// Environment changes for a child: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<QString, std::optional<QString>>;

// A child process that ends with the test process, even when that one is killed; its standard
// input is `inputFile` when one is named.
inline std::unique_ptr<QProcess> startChild(const QStringList& argv, const EnvChanges& env,
                                            const QString& inputFile = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env) {
        value ? environment.insert(name, *value) : environment.remove(name);
    }
    auto child = std::make_unique<QProcess>();
    child->setProcessEnvironment(environment);
    child->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    if (!inputFile.isEmpty()) {
        child->setStandardInputFile(inputFile);
    }
    child->start(argv.first(), argv.mid(1));
    return child;
}

// Waits for the end: the exit status, 128 + the signal when a signal ended it, -1 on a timeout.
inline int exitStatus(QProcess& child, std::chrono::milliseconds timeout = 10s) {
    child.waitForFinished(int(timeout.count()));
    return child.state() != QProcess::NotRunning       ? -1
           : child.exitStatus() == QProcess::CrashExit ? 128 + child.exitCode()
                                                       : child.exitCode();
}

struct RunResult {
    int status;
    std::string out, err;
};

inline RunResult run(const QStringList& argv, const EnvChanges& env) {
    const auto child = startChild(argv, env);
    return {exitStatus(*child, 20s), child->readAllStandardOutput().toStdString(),
            child->readAllStandardError().toStdString()};
}

// Suites whose processes run on a private X server with private session and system buses, with
// session id "3". One desktop serves a whole suite.
class DesktopTest : public BusSuite {
protected:
    static void SetUpTestSuite() {
        BusSuite::SetUpTestSuite();
        xvfb_ = std::make_unique<XvfbServer>();
        const QString display = QString::fromStdString(xvfb_->start());
        ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
        environment = {
            {"DISPLAY", display},
            {"DBUS_SESSION_BUS_ADDRESS", QString::fromStdString(buses_->sessionAddress())},
            {"DBUS_SYSTEM_BUS_ADDRESS", QString::fromStdString(buses_->systemAddress())},
            {"XDG_SESSION_ID", "3"},
            {"WAYLAND_DISPLAY", std::nullopt},
            {"QT_QPA_PLATFORM", std::nullopt}};
    }
    static void TearDownTestSuite() {
        xvfb_.reset();
        BusSuite::TearDownTestSuite();
    }
    static inline std::unique_ptr<XvfbServer> xvfb_;
    static inline EnvChanges environment;
};

}  // namespace wystrand::test
