// wystrand-notify-ctl end to end, starting the real agent on a private X server.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/message/Protocol.h"
#include "e2e/Desktop.h"
#include "e2e/Processes.h"

namespace wystrand::test {
namespace {

using namespace std::chrono_literals;

const std::string kCtl = WYSTRAND_CTL;
const std::string kAgent = WYSTRAND_AGENT;

Desktop* desktop = nullptr;

class CtlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        desktop = new Desktop();
        ASSERT_TRUE(desktop->start()) << "Xvfb or dbus-daemon did not start";
    }
    static void TearDownTestSuite() {
        delete desktop;
        desktop = nullptr;
    }

    void SetUp() override {
        char pattern[] = "/tmp/wystrand-runtime.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        runtimeDir_ = pattern;
        env_ = desktop->agentEnvironment();
        env_["XDG_RUNTIME_DIR"] = runtimeDir_;
    }

    void TearDown() override {
        EXPECT_TRUE(leftovers().empty()) << "the private socket directory was left behind";
        std::error_code ignored;
        std::filesystem::remove_all(runtimeDir_, ignored);
    }

    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(runtimeDir_, ignored)) {
            names.push_back(entry.path().filename());
        }
        return names;
    }

    RunResult ctl(std::vector<std::string> args) {
        args.insert(args.begin(), kCtl);
        return run(args, env_);
    }

    static bool isOneLine(const std::string& text) {
        return !text.empty() && text.find('\n') == text.size() - 1;
    }

    std::string runtimeDir_;
    EnvChanges env_;
};

TEST_F(CtlTest, ShowExitsWithTheCardsCode) {
    const RunResult info = ctl({"show", "--mode", "info", "--duration", "1"});
    EXPECT_EQ(exitCode(info.status), 0) << info.err;
    EXPECT_EQ(info.out, "");
    EXPECT_EQ(info.err, "");

    const RunResult alert = ctl({"show", "--mode", "alert", "--duration", "1"});
    EXPECT_EQ(exitCode(alert.status), 2) << alert.err;
    EXPECT_EQ(alert.err, "");
}

TEST_F(CtlTest, JsonPrintsTheResultRecord) {
    const RunResult result = ctl({"show", "--mode=countdown", "--duration=0", "--id", "job 7",
                                  "--title", "Stretch", "--locale", "en", "--no-sound", "--json"});
    EXPECT_EQ(exitCode(result.status), 0) << result.err;
    EXPECT_EQ(result.out, "{\"id\":\"job 7\",\"ev\":\"result\",\"code\":0}\n");
}

TEST_F(CtlTest, BadOptionsGiveTheUsageAndStatus64) {
    for (const std::vector<std::string>& args : {
             std::vector<std::string>{"show", "--bogus"},
             std::vector<std::string>{"show", "--duration", "abc"},
             std::vector<std::string>{"show", "--duration", "1.5"},
             std::vector<std::string>{"show", "--title"},
             std::vector<std::string>{"show", "--json=yes"},
             std::vector<std::string>{"show", "extra"},
             std::vector<std::string>{"serve", "--mode", "info"},
             std::vector<std::string>{"demo", "--screenshot"},
             std::vector<std::string>{"launch"},
             std::vector<std::string>{},
         }) {
        const RunResult result = ctl(args);
        const std::string what = args.empty() ? "(none)" : args.back();
        EXPECT_EQ(exitCode(result.status), 64) << what;
        EXPECT_NE(result.err.find("Usage: wystrand-notify-ctl"), std::string::npos) << what;
        EXPECT_EQ(result.out, "") << what;
    }
}

TEST_F(CtlTest, HelpGoesToStandardOutput) {
    for (const char* command : {"show", "serve", "demo"}) {
        const RunResult result = ctl({command, "--help"});
        EXPECT_EQ(exitCode(result.status), 0) << command;
        EXPECT_EQ(result.out.rfind(std::string("Usage: wystrand-notify-ctl ") + command, 0), 0u)
            << command;
        EXPECT_EQ(result.err, "");
    }
    EXPECT_EQ(exitCode(ctl({"--help"}).status), 0);
}

TEST_F(CtlTest, AnAgentThatCannotStartIsOneLineAndStatus1) {
    const RunResult missing = ctl({"show", "--agent", "/nonexistent/wystrand-notify"});
    EXPECT_EQ(exitCode(missing.status), 1);
    EXPECT_TRUE(isOneLine(missing.err)) << missing.err;
    EXPECT_NE(missing.err.find("/nonexistent/wystrand-notify"), std::string::npos);

    env_["DISPLAY"] = std::nullopt;
    const RunResult noDisplay = ctl({"show", "--mode", "info"});
    EXPECT_EQ(exitCode(noDisplay.status), 1);
    EXPECT_TRUE(isOneLine(noDisplay.err)) << noDisplay.err;
}

TEST_F(CtlTest, InterruptedShowStopsTheAgentAndCleansUp) {
    Child show;
    ASSERT_TRUE(show.start({kCtl, "show", "--mode", "alert", "--duration", "600"}, env_));
    std::vector<pid_t> agents;
    ASSERT_TRUE(eventually([&] {
        agents = childrenOf(show.pid());
        return !agents.empty();
    }));
    EXPECT_EQ(exitCode(show.stop(SIGINT)), 130);
    EXPECT_NE(::kill(agents[0], 0), 0) << "the agent still runs";
    EXPECT_EQ(show.err(), "");
}

// Writes one line to serve's standard input.
void writeLine(int fd, const std::string& line) {
    const std::string record = line + "\n";
    ASSERT_EQ(::write(fd, record.data(), record.size()), static_cast<ssize_t>(record.size()));
}

bool printed(Child& process, const std::string& line) {
    return eventually([&] { return process.out().find(line + "\n") != std::string::npos; });
}

TEST_F(CtlTest, ServeRelaysRequestsPrintsEventsAndRestartsTheAgent) {
    int input[2];
    ASSERT_EQ(::pipe2(input, O_CLOEXEC), 0);
    const std::string socketPath = runtimeDir_ + "/chosen.sock";
    Child serve;
    ASSERT_TRUE(serve.start({kCtl, "serve", "--socket", socketPath}, env_, input[0]));
    ::close(input[0]);

    writeLine(input[1], R"({"op":"ping","id":"x"})");
    writeLine(input[1], R"({"op":"show","id":"s1","mode":"info","duration":0})");
    EXPECT_TRUE(printed(serve, R"({"ev":"pong"})"));
    EXPECT_TRUE(printed(serve, R"({"id":"s1","ev":"ready"})"));
    EXPECT_TRUE(printed(serve, R"({"id":"s1","ev":"result","code":0})"));
    EXPECT_TRUE(std::filesystem::exists(socketPath));

    const std::vector<pid_t> first = childrenOf(serve.pid());
    ASSERT_EQ(first.size(), 1u);
    ::kill(first[0], SIGKILL);
    ASSERT_TRUE(eventually([&] {
        const auto now = childrenOf(serve.pid());
        return now.size() == 1 && now[0] != first[0];
    }));
    writeLine(input[1], R"({"op":"show","id":"s2","mode":"alert","duration":0})");
    EXPECT_TRUE(printed(serve, R"({"id":"s2","ev":"result","code":2})"));

    const pid_t second = childrenOf(serve.pid()).at(0);
    ::close(input[1]);
    EXPECT_EQ(exitCode(serve.wait(10s)), 0);
    EXPECT_NE(::kill(second, 0), 0) << "the agent still runs";
    EXPECT_FALSE(std::filesystem::exists(socketPath));
    EXPECT_NE(serve.err().find("starting it again"), std::string::npos) << serve.err();
}

}  // namespace
}  // namespace wystrand::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
