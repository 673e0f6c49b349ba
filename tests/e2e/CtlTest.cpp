// wystrand-notify-ctl end to end, starting the real agent on a private X server, or for serve's
// own paths a fake agent that needs no display.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <utility>

#include "support/Processes.h"
#include "support/Wait.h"

namespace wystrand::test {
namespace {

const QString kCtl = WYSTRAND_CTL;

class CtlTest : public DesktopTest {};

// Without buses the agent works all the same, and says nothing; it leaves nothing of its own
// behind.
TEST_F(CtlTest, ShowExitsWithTheCardsCode) {
    QTemporaryDir runtime;
    EnvChanges env = environment;
    env["XDG_RUNTIME_DIR"] = runtime.path();
    env["DBUS_SESSION_BUS_ADDRESS"] = env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=/nonexistent";
    for (const auto& [args, status, out] : std::vector<std::tuple<QStringList, int, std::string>>{
             {{"show", "--mode", "info", "--duration", "1"}, 0, ""},
             {{"show", "--mode", "alert", "--duration", "1"}, 2, ""},
             {{"show", "--mode=countdown", "--duration=0", "--id", "job 7", "--title", "Stretch",
               "--locale", "en", "--no-sound", "--json"},
              0,
              R"({"id":"job 7","ev":"result","code":0,"reason":"expired"}
)"}}) {
        const RunResult result = run(QStringList{kCtl} + args, env);
        EXPECT_EQ(result.status, status) << result.err;
        EXPECT_EQ(result.out, out);
        EXPECT_EQ(result.err, "");
    }
    // Only dconf's flag file, which every reader of GSettings shares, stays.
    EXPECT_EQ(QDir(runtime.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"dconf"});
}

// serve with the fake agent (fake_agent.py), its standard input a FIFO that the test writes and
// can see drained; serve listens at the socket it is given and removes it when its input ends.
class ServeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::mkfifo(path("input").c_str(), 0600), 0);
        input_ = ::open(path("input").c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(input_, 0);
    }
    void TearDown() override {
        ::close(input_);
        EXPECT_FALSE(QFile::exists(dir_.filePath("chosen.sock")));
    }

    std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }
    void start(const EnvChanges& env = {}) {
        serve_ = startChild({kCtl, "serve", "--socket", dir_.filePath("chosen.sock"), "--agent",
                             WYSTRAND_FAKE_AGENT},
                            env, dir_.filePath("input"));
    }
    void write(std::string_view lines) {
        ASSERT_EQ(::write(input_, lines.data(), lines.size()), ssize_t(lines.size()));
    }
    // What serve printed on `channel` until it ends with `tail`, or 10 s passed.
    std::string readUntil(QProcess::ProcessChannel channel, const std::string& tail) {
        std::string& text = channel == QProcess::StandardOutput ? out_ : err_;
        waitUntil(
            [&] {
                out_ += serve_->readAllStandardOutput().toStdString();
                err_ += serve_->readAllStandardError().toStdString();
                return text.ends_with(tail);
            },
            10s);
        return text;
    }
    int finish() {
        EXPECT_TRUE(QFile::exists(dir_.filePath("chosen.sock")));
        ::close(std::exchange(input_, -1));
        return exitStatus(*serve_);
    }

    QTemporaryDir dir_;
    int input_ = -1;
    std::unique_ptr<QProcess> serve_;
    std::string out_, err_;
};

TEST_F(ServeTest, InputReadBeforeTheAgentConnectsIsSentOnceItDoes) {
    ASSERT_EQ(::mkfifo(path("gate").c_str(), 0600), 0);
    start({{"FAKE_AGENT_GATE", dir_.filePath("gate")}});
    write("one\ntwo\n");
    ASSERT_TRUE(waitUntil(
        [&] {
            int unread = -1;
            return ::ioctl(input_, FIONREAD, &unread) == 0 && unread == 0;
        },
        10s));
    // Opening the gate lets the agent connect; it can only once the agent waits at it.
    int gate = -1;
    ASSERT_TRUE(waitUntil(
        [&] { return (gate = ::open(path("gate").c_str(), O_WRONLY | O_NONBLOCK)) >= 0; }, 10s));
    ::close(gate);
    EXPECT_EQ(readUntil(QProcess::StandardOutput, "two\n"), "hello\none\ntwo\n");
    EXPECT_EQ(finish(), 0);
    EXPECT_EQ(err_ + serve_->readAllStandardError().toStdString(), "");
}

TEST_F(ServeTest, AnAgentThatDiesIsStartedAgainAndGetsWhatCameMeanwhile) {
    start();
    write("one\n");
    EXPECT_EQ(readUntil(QProcess::StandardOutput, "one\n"), "hello\none\n");
    write("exit\n");
    EXPECT_EQ(readUntil(QProcess::StandardError, "again\n"),
              "wystrand-notify-ctl: the agent exited (status 3); starting it again\n");
    write("two\n");
    EXPECT_EQ(readUntil(QProcess::StandardOutput, "two\n"), "hello\none\nhello\ntwo\n");
    EXPECT_EQ(finish(), 0);
}

}  // namespace
}  // namespace wystrand::test
