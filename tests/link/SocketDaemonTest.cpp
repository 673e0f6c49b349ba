#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/SocketDaemon.h"
#include "support/UnixListener.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::UnixListener;

// Records what the link asks of the panel stack; the test plays the cards by calling the
// callbacks it was given.
class FakePanelStack : public PanelStack {
public:
    struct Card {
        ShowConfig config;
        ReadyCallback onReady;
        ResultCallback onResult;
    };

    void show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult) override {
        calls.push_back("show " + config.id.toStdString());
        cards.push_back({config, std::move(onReady), std::move(onResult)});
    }
    void dismiss(const QString& id) override { calls.push_back("dismiss " + id.toStdString()); }
    void dismissAll() override { calls.push_back("dismissAll"); }

    Card* find(const QString& id) {
        const auto it = std::find_if(cards.begin(), cards.end(),
                                     [&](const Card& card) { return card.config.id == id; });
        return it == cards.end() ? nullptr : &*it;
    }

    std::vector<std::string> calls;
    std::deque<Card> cards;
};

bool waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 20000);
}

class SocketDaemonTest : public testing::Test {
protected:
    static constexpr SocketDaemon::Intervals kFast{50ms, 100ms};

    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    std::string socketPath() const { return dir_.filePath("ctl.sock").toStdString(); }

    void startDaemon(const std::string& path) {
        daemon_ = std::make_unique<SocketDaemon>(QString::fromStdString(path), stack_, kFast);
        daemon_->start();
    }

    void listen(const std::string& path) {
        listener_ = std::make_unique<UnixListener>(path);
        ASSERT_TRUE(listener_->ok()) << path;
    }

    void connectAgent() {
        listen(socketPath());
        startDaemon(socketPath());
        ASSERT_TRUE(waitFor([&] { return listener_->connections() == 1; }));
    }

    void send(const std::string& bytes) { ASSERT_TRUE(listener_->send(bytes)); }
    void sendLines(std::initializer_list<std::string> lines) {
        std::string bytes;
        for (const std::string& line : lines) {
            bytes += line + '\n';
        }
        send(bytes);
    }

    // Returns once every request sent before it has been dispatched and every record those
    // requests caused has reached the listener: the "show" sent here reaches the stack after
    // them, and the "ready" fired for it is written after their replies.
    void sync() {
        const QString id = QStringLiteral("sync-%1").arg(++syncs_);
        send(R"({"op":"show","id":")" + id.toStdString() + "\"}\n");
        ASSERT_TRUE(waitFor([&] { return stack_.find(id) != nullptr; }));
        stack_.find(id)->onReady();
        const std::string ready = PipeMsg::ready(id).encode();
        ASSERT_TRUE(waitFor([&] { return count(ready) == 1; }));
    }

    int count(const std::string& line, int connection = 0) const {
        return listener_->countLines([&](const UnixListener::Line& l) {
            return l.text == line && (connection == 0 || l.connection == connection);
        });
    }
    int pongs(int connection = 0) const { return count(R"({"ev":"pong"})", connection); }

    // The stack's calls, without those of sync().
    std::vector<std::string> requests() const {
        std::vector<std::string> result;
        std::copy_if(stack_.calls.begin(), stack_.calls.end(), std::back_inserter(result),
                     [](const std::string& call) { return call.rfind("show sync-", 0) != 0; });
        return result;
    }

    QTemporaryDir dir_;
    FakePanelStack stack_;
    std::unique_ptr<UnixListener> listener_;
    std::unique_ptr<SocketDaemon> daemon_;
    int syncs_ = 0;
};

TEST_F(SocketDaemonTest, ConnectsOnceTheListenerAppears) {
    startDaemon(socketPath());
    QTest::qWait(200);  // a few attempts fail meanwhile
    listen(socketPath());
    ASSERT_TRUE(waitFor([&] { return listener_->connections() == 1; }));
    send("{\"op\":\"ping\"}\n");
    EXPECT_TRUE(waitFor([&] { return pongs() == 1; }));
}

TEST_F(SocketDaemonTest, ReconnectsAfterThePeerClosesAndKeepsTheHeartbeat) {
    connectAgent();
    const std::string hb = R"({"ev":"hb"})";
    EXPECT_TRUE(waitFor([&] { return count(hb, 1) >= 3; }));
    listener_->dropPeer();
    ASSERT_TRUE(waitFor([&] { return listener_->connections() == 2; }));
    send("{\"op\":\"ping\"}\n");
    EXPECT_TRUE(waitFor([&] { return pongs(2) == 1; }));
    EXPECT_TRUE(waitFor([&] { return count(hb, 2) >= 3; }));
}

TEST_F(SocketDaemonTest, CutsRecordsAcrossAndWithinReads) {
    connectAgent();
    send("{\"op\":\"ping\"}\n{\"op\":\"ping\"}\r\n{\"op\":\"ping\"}\n");
    // "Thé" split inside the é.
    for (const std::string part :
         {R"({"op":"show",)", R"("id":"split","title":"Th)", "\xC3", "\xA9\"}", "\r\n"}) {
        send(part);
        QTest::qWait(20);  // separate reads, most likely
    }
    sync();
    EXPECT_EQ(pongs(), 3);
    ASSERT_NE(stack_.find("split"), nullptr);
    EXPECT_EQ(stack_.find("split")->config.title, QStringLiteral("Th\u00E9"));
}

TEST_F(SocketDaemonTest, DropsInvalidAndBlankLinesAndAnswersTheRest) {
    connectAgent();
    send("\xC0\x80{\"op\":\"ping\"}\n");
    send("{\"op\":\"ping\",\"id\":\"\xED\xA0\x80\"}\n");
    send("{\"op\":\"ping\",\"id\":\"\xF4\x90\x80\x80\"}\n");
    send(" \t \n\n\xC2\xA0\n");
    send("\xE3\x80\x80{\"op\":\"ping\"}\t\n");
    sync();
    EXPECT_EQ(pongs(), 1);
}

TEST_F(SocketDaemonTest, LosesAPartialLineAtDisconnect) {
    connectAgent();
    send("{\"op\":\"ping\"");
    QTest::qWait(50);  // most likely read before the drop
    listener_->dropPeer();
    ASSERT_TRUE(waitFor([&] { return listener_->connections() == 2; }));
    send("}\n{\"op\":\"ping\"}\n");
    sync();
    EXPECT_EQ(pongs(), 1);
}

TEST_F(SocketDaemonTest, DropsRecordsSentWhileDown) {
    connectAgent();
    sendLines({R"({"op":"show","id":"a"})"});
    ASSERT_TRUE(waitFor([&] { return stack_.find("a") != nullptr; }));
    listener_.reset();
    stack_.find("a")->onResult(0);
    daemon_->sendRaw(PipeMsg::pong());

    listen(socketPath());
    ASSERT_TRUE(waitFor([&] { return listener_->connections() == 1; }));
    sync();
    for (const auto& line : listener_->lines()) {
        EXPECT_EQ(line.text.find("result"), std::string::npos) << line.text;
        EXPECT_EQ(line.text.find("pong"), std::string::npos) << line.text;
    }
}

TEST_F(SocketDaemonTest, CutsALongPathTo107Bytes) {
    const std::string dir = dir_.path().toStdString();
    ASSERT_LT(dir.size(), 100u);
    const std::string cut = dir + "/" + std::string(106 - dir.size(), 's');
    ASSERT_EQ(cut.size(), 107u);
    listen(cut);
    startDaemon(cut + std::string(200 - cut.size(), 'x'));
    ASSERT_TRUE(waitFor([&] { return listener_->connections() == 1; }));
    send("{\"op\":\"ping\"}\n");
    EXPECT_TRUE(waitFor([&] { return pongs() == 1; }));
}

TEST_F(SocketDaemonTest, SurvivesAPeerThatStopsReadingAndClosesWhileItWrites) {
    connectAgent();
    const QString id(8192, QLatin1Char('i'));
    send(R"({"op":"show","id":")" + id.toStdString() + "\"}\n");
    ASSERT_TRUE(waitFor([&] { return stack_.find(id) != nullptr; }));
    listener_->shutReadingOnceWritesStall(64 * 1024);
    // Blocks in a write until the peer shuts its reading side; every write after that fails
    // (SIGPIPE would end the test).
    for (int i = 0; i < 1000; ++i) {
        stack_.find(id)->onResult(2);
    }
    listener_->dropPeer();
    ASSERT_TRUE(waitFor([&] { return listener_->connections() == 2; }));
    send("{\"op\":\"ping\"}\n");
    EXPECT_TRUE(waitFor([&] { return pongs(2) == 1; }));
}

TEST_F(SocketDaemonTest, ContinuesInterruptedWrites) {
    connectAgent();
    const QString id(1 << 20, QLatin1Char('w'));  // far beyond what the socket buffers
    send(R"({"op":"show","id":")" + id.toStdString() + "\"}\n");
    ASSERT_TRUE(waitFor([&] { return stack_.find(id) != nullptr; }));

    // No SA_RESTART: the blocked write returns early, with part of the record written or none.
    struct sigaction action {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    listener_->pauseReading(true);
    std::atomic<bool> written{false};
    const pthread_t writer = pthread_self();
    std::thread interrupter([&] {
        for (int i = 0; !written; ++i) {
            pthread_kill(writer, SIGUSR1);
            std::this_thread::sleep_for(1ms);
            if (i == 50) {
                listener_->pauseReading(false);
            }
        }
    });
    stack_.find(id)->onResult(7);
    written = true;
    interrupter.join();
    sigaction(SIGUSR1, &previous, nullptr);
    listener_->pauseReading(false);

    stack_.find(id)->onReady();
    ASSERT_TRUE(waitFor([&] { return count(PipeMsg::ready(id).encode()) == 1; }));
    EXPECT_EQ(count(PipeMsg::result(id, 7).encode()), 1);
}

TEST_F(SocketDaemonTest, KeepsRecordsFromBothThreadsWhole) {
    connectAgent();
    // Records larger than the socket buffer, so that writes block halfway through them.
    const QString id(300 * 1024, QLatin1Char('r'));
    send(R"({"op":"show","id":")" + id.toStdString() + "\"}\n");
    ASSERT_TRUE(waitFor([&] { return stack_.find(id) != nullptr; }));

    constexpr int kResults = 40;
    constexpr int kPings = 2000;
    std::thread pinger([&] {
        for (int i = 0; i < kPings; ++i) {
            listener_->send("{\"op\":\"ping\"}\n");
        }
    });
    for (int i = 0; i < kResults; ++i) {
        stack_.find(id)->onResult(i);
    }
    pinger.join();
    ASSERT_TRUE(waitFor([&] {
        return pongs() == kPings && listener_->countLines([](const UnixListener::Line& line) {
            return line.text.find(R"("ev":"result")") != std::string::npos;
        }) == kResults;
    }));

    int results = 0;
    for (const auto& line : listener_->lines()) {
        const auto msg = PipeMsg::decode(line.text);
        ASSERT_TRUE(msg) << line.text.substr(0, 100);
        if (msg->ev == QStringLiteral("result")) {
            EXPECT_EQ(*msg, PipeMsg::result(id, results));
            ++results;
        }
    }
    EXPECT_EQ(results, kResults);
}

TEST_F(SocketDaemonTest, RoutesByExactOpAndNeedsAnIdToShowOrDismiss) {
    connectAgent();
    sendLines({
        R"({"op":"PING"})",
        R"({"op":"Ping"})",
        R"({"op":"Show","id":"a"})",
        R"({"op":"SHOW","id":"a"})",
        R"({"op":"show","mode":"info","type":"water","title":"t","duration":5})",
        R"({"op":"dismiss"})",
        R"({"op":"dismiss","id":null})",
        R"({"ev":"hb"})",
        R"({"id":"a"})",
        R"([{"op":"ping"}])",
        "42",
        R"({"op":"show","id":"b","duration":"30"})",
        R"({"op":"ping","code":1.5})",
        R"({"op":"ping","id":"p1"})",
    });
    sync();
    EXPECT_EQ(requests(), std::vector<std::string>{});
    // One pong for the last line only, without its id.
    EXPECT_EQ(pongs(), 1);
}

TEST_F(SocketDaemonTest, HandsShowAndDismissToTheStackInOrder) {
    connectAgent();
    sendLines({
        R"({"op":"show","id":"a","mode":"info","title":"Tea"})",
        R"({"op":"dismiss","id":"a"})",
        R"({"op":"show","id":"b"})",
    });
    sendLines({R"({"op":"dismiss","id":"zzz"})", R"({"op":"show","id":"c"})"});
    sync();
    EXPECT_EQ(requests(),
              (std::vector<std::string>{"show a", "dismiss a", "show b", "dismiss zzz", "show c"}));
    const auto* a = stack_.find("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->config.mode, NotifyMode::info);
    EXPECT_EQ(a->config.title, QStringLiteral("Tea"));
}

TEST_F(SocketDaemonTest, ReportsCardEventsWhileTheDaemonLives) {
    connectAgent();
    sendLines({R"({"op":"show","id":"a"})"});
    ASSERT_TRUE(waitFor([&] { return stack_.find("a") != nullptr; }));
    stack_.find("a")->onReady();
    stack_.find("a")->onResult(2);
    EXPECT_TRUE(waitFor([&] { return count(R"({"id":"a","ev":"result","code":2})") == 1; }));
    EXPECT_EQ(count(R"({"id":"a","ev":"ready"})"), 1);

    // The callbacks outlive the daemon: they send nothing and touch nothing of it.
    daemon_.reset();
    EXPECT_TRUE(waitFor([&] { return !listener_->peerConnected(); }));
    stack_.find("a")->onReady();
    stack_.find("a")->onResult(0);
    EXPECT_EQ(listener_->lines().size(), 2u);
}

}  // namespace
}  // namespace wystrand

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
