// wystrand-notify-ctl end to end, starting the real agent on a private X server.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "e2e/Processes.h"

namespace wystrand::test {
namespace {

const QString kCtl = WYSTRAND_CTL;

class CtlTest : public DesktopTest {
protected:
    // Without buses the agent works all the same, and says nothing.
    void SetUp() override {
        env_["XDG_RUNTIME_DIR"] = runtime_.path();
        env_["DBUS_SESSION_BUS_ADDRESS"] = env_["DBUS_SYSTEM_BUS_ADDRESS"] =
            "unix:path=/nonexistent";
    }
    // The private socket directory is gone again.
    void TearDown() override { EXPECT_TRUE(QDir(runtime_.path()).isEmpty()); }

    RunResult ctl(const QStringList& args) { return run(QStringList{kCtl} + args, env_); }

    QTemporaryDir runtime_;
    EnvChanges env_ = environment;
};

TEST_F(CtlTest, ShowExitsWithTheCardsCode) {
    for (const auto& [args, status, out] : std::vector<std::tuple<QStringList, int, std::string>>{
             {{"show", "--mode", "info", "--duration", "1"}, 0, ""},
             {{"show", "--mode", "alert", "--duration", "1"}, 2, ""},
             {{"show", "--mode=countdown", "--duration=0", "--id", "job 7", "--title", "Stretch",
               "--locale", "en", "--no-sound", "--json"},
              0,
              R"({"id":"job 7","ev":"result","code":0}
)"}}) {
        const RunResult result = ctl(args);
        EXPECT_EQ(result.status, status) << result.err;
        EXPECT_EQ(result.out, out);
        EXPECT_EQ(result.err, "");
    }
}

TEST_F(CtlTest, BadOptionsGiveTheUsageAndStatus64) {
    for (const QStringList& args :
         {QStringList{"show", "--bogus"}, QStringList{"show", "--duration", "abc"},
          QStringList{"show", "--title"}, QStringList{"show", "--json=yes"},
          QStringList{"serve", "--mode", "info"}, QStringList{"launch"}, QStringList{}}) {
        const RunResult result = ctl(args);
        EXPECT_EQ(result.status, 64) << args.join(' ').toStdString();
        EXPECT_NE(result.err.find("Usage: wystrand-notify-ctl"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(CtlTest, AnAgentThatCannotStartIsOneLineAndStatus1) {
    const RunResult missing = ctl({"show", "--agent", "/nonexistent/wystrand-notify"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.find('\n'), missing.err.size() - 1) << missing.err;
    EXPECT_NE(missing.err.find("/nonexistent/wystrand-notify"), std::string::npos);
    // The agent, without a display, says nothing of its own either.
    env_["DISPLAY"] = std::nullopt;
    const RunResult noDisplay = ctl({"show", "--mode", "info"});
    EXPECT_EQ(noDisplay.status, 1);
    EXPECT_EQ(noDisplay.err.find('\n'), noDisplay.err.size() - 1) << noDisplay.err;
}

TEST_F(CtlTest, ServeRelaysLinesBothWaysAndEndsWithItsInput) {
    const QString socket = runtime_.filePath("chosen.sock");
    const auto serve = startChild({kCtl, "serve", "--socket", socket}, env_);
    serve->write(R"({"op":"ping","id":"x"}
{"op":"show","id":"s","duration":0}
)");
    std::string out;
    for (QDeadlineTimer deadline(10s); out.find("result") == std::string::npos &&
                                       serve->waitForReadyRead(int(deadline.remainingTime()));) {
        out += serve->readAllStandardOutput().toStdString();
    }
    EXPECT_TRUE(QFile::exists(socket));
    serve->closeWriteChannel();
    EXPECT_EQ(exitStatus(*serve), 0);
    EXPECT_EQ(out + serve->readAllStandardOutput().toStdString(), R"({"ev":"pong"}
{"id":"s","ev":"ready"}
{"id":"s","ev":"result","code":0}
)");
    EXPECT_FALSE(QFile::exists(socket));
}

}  // namespace
}  // namespace wystrand::test
