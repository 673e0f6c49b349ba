// Which window system the agent binary picks, against sway (layer-shell), weston (none) and
// Xvfb; and that the compositors leave nothing behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include "support/ControllerPeer.h"
#include "support/PrivateServers.h"
#include "support/Processes.h"
#include "support/Wait.h"
#include "support/WaylandServer.h"

namespace wystrand::test {
namespace {

const QString kAgent = WYSTRAND_AGENT;
const QString kCtl = WYSTRAND_CTL;

// On a private session bus: without one, the agent's would be autolaunched on the X server and
// outlive the test.
class BackendTest : public BusSuite {
protected:
    WaylandServer& compositor(WaylandServer::Kind kind) {
        servers_.push_back(std::make_unique<WaylandServer>(kind));
        if (!servers_.back()->start()) {
            skip_ = servers_.back()->why();
        }
        return *servers_.back();
    }
    static EnvChanges on(const WaylandServer& wayland, const std::string& x11) {
        return {
            {"XDG_RUNTIME_DIR", QString::fromStdString(wayland.runtimeDir())},
            {"WAYLAND_DISPLAY", QString::fromStdString(wayland.display())},
            {"QT_QPA_PLATFORM", std::nullopt},
            {"DISPLAY", x11.empty() ? std::nullopt : std::optional(QString::fromStdString(x11))}};
    }
    // Whether an info card shown through the controller has a window on the X server.
    static bool shownOnX(const EnvChanges& env) {
        const auto ctl =
            startChild({kCtl, "show", "--agent", kAgent, "--mode", "info", "--duration", "2"}, env);
        bool onX = false;
        waitUntil(
            [&] {
                onX = run({"xwininfo", "-root", "-children"}, env).out.find("320x80") !=
                      std::string::npos;
                return onX || ctl->state() == QProcess::NotRunning;
            },
            10s);
        EXPECT_EQ(exitStatus(*ctl), 0) << "the card ran its course";
        return onX;
    }

    std::vector<std::unique_ptr<WaylandServer>> servers_;
    std::string skip_;
};

TEST_F(BackendTest, LayerShellWhereOfferedElseXWaylandElseExit1Silently) {
    WaylandServer& sway = compositor(WaylandServer::Kind::sway);
    WaylandServer& weston = compositor(WaylandServer::Kind::weston);
    if (!skip_.empty()) {
        GTEST_SKIP() << skip_;
    }
    XvfbServer xvfb;
    const std::string x11 = xvfb.start();
    ASSERT_FALSE(x11.empty());

    // Native on sway even with an X server at hand; weston has no layer-shell.
    EXPECT_FALSE(shownOnX(on(sway, x11)));
    EXPECT_TRUE(shownOnX(on(weston, x11)));
    // Neither: exit 1 without a word, before any attempt to connect to the pipe.
    const RunResult alone = run({kAgent, "--pipe", "/nonexistent"}, on(weston, ""));
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.out + alone.err, "");

    // The compositors end with their servers, their runtime directories too.
    const pid_t pids[] = {sway.pid(), weston.pid()};
    const std::string dirs[] = {sway.runtimeDir(), weston.runtimeDir()};
    servers_.clear();
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(kill(pids[i], 0), 0) << dirs[i];
        EXPECT_FALSE(QDir(QString::fromStdString(dirs[i])).exists()) << dirs[i];
    }
}

TEST_F(BackendTest, TheAgentEndsWithStatus1WhenTheCompositorGoes) {
    WaylandServer& sway = compositor(WaylandServer::Kind::sway);
    if (!skip_.empty()) {
        GTEST_SKIP() << skip_;
    }
    QTemporaryDir dir;
    ControllerPeer peer(dir.filePath("agent.sock").toStdString());
    const auto agent =
        startChild({kAgent, "--pipe", QString::fromStdString(peer.path())}, on(sway, ""));
    ASSERT_TRUE(peer.accept());
    ASSERT_TRUE(peer.send(showRequest("before", "info", 60)));
    ASSERT_TRUE(peer.waitFor("ready", "before"));

    QElapsedTimer clock;
    clock.start();
    sway.stop(SIGKILL);
    // The agent may be gone already, and the request with it.
    peer.send(showRequest("after", "info", 60));
    EXPECT_EQ(exitStatus(*agent, 5s), 1);
    EXPECT_LT(clock.elapsed(), 2000);
    peer.pump();
    EXPECT_EQ(peer.count(PipeMsg::ready("after")), 0);
}

}  // namespace
}  // namespace wystrand::test
