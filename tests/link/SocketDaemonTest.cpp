#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/SocketDaemon.h"
#include "support/ControllerPeer.h"
#include "support/FakeContext.h"
#include "support/FakeStack.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::ControllerPeer;
using test::request;
using Records = std::vector<std::string>;

class SocketDaemonTest : public testing::Test {
protected:
    void startDaemon(const std::string& path, SocketDaemon::Options options = {50ms, 100ms}) {
        daemon_ = std::make_unique<SocketDaemon>(QString::fromStdString(path), stack_, options);
        daemon_->followContext(context_);
        daemon_->start();
    }
    void listen(const std::string& path) {
        peer_.reset();  // which removes its socket file
        peer_ = std::make_unique<ControllerPeer>(path);
        ASSERT_TRUE(peer_->accept());
    }
    void connectAgent(SocketDaemon::Options options = {50ms, 100ms}) {
        startDaemon(path_, options);
        listen(path_);
    }
    void send(const PipeMsg& record) { ASSERT_TRUE(peer_->send(record)); }
    test::FakeStack::Card& showCard(const QString& id) {
        send(request("show", id));
        EXPECT_TRUE(peer_->waitUntil([&] { return stack_.cards.contains(id); }));
        return stack_.cards[id];
    }
    // The "ready" of this card comes after every record caused by what was sent before.
    void sync() {
        const QString id = QStringLiteral("sync-%1").arg(++syncs_);
        showCard(id).onReady();
        ASSERT_TRUE(peer_->waitFor("ready", id));
        std::erase(stack_.calls, "show " + id.toStdString());
    }

    QTemporaryDir dir_;
    const std::string path_ = dir_.filePath("ctl.sock").toStdString();
    test::FakeStack stack_;
    test::FakeContext context_;
    std::unique_ptr<ControllerPeer> peer_;
    std::unique_ptr<SocketDaemon> daemon_;
    int syncs_ = 0;
};

TEST_F(SocketDaemonTest, ReachesALateListenerByACutPathAndOutlivesAPeerThatStopsTakingRecords) {
    const std::string dir = dir_.path().toStdString();
    const std::string cut = dir + "/" + std::string(106 - dir.size(), 's');  // 107 bytes
    startDaemon(cut + std::string(200 - cut.size(), 'x'));
    QTest::qWait(200);  // the attempts meanwhile fail, and are tried again
    listen(cut);
    // Every write now fails (EPIPE, no SIGPIPE) and loses its record; requests still come in.
    auto& card = showCard("a");
    peer_->refuse();
    send(request("ping"));
    card.onResult(cardEnd::secondary);
    showCard("b");
    peer_->drop();
    ASSERT_TRUE(peer_->accept());
    send(request("ping"));
    EXPECT_TRUE(peer_->waitUntil(
        [&] { return peer_->heartbeats() >= 3 && peer_->count(PipeMsg::pong()) == 1; }));
}

TEST_F(SocketDaemonTest, KeepsTheMainThreadGoingWhileThePeerStopsReadingThenDeliversAllInOrder) {
    connectAgent();
    const QString id(32 * 1024, 'r');
    auto& card = showCard(id);
    Records expected;
    // Far beyond what the socket holds, from both threads; a blocking send would hang here.
    peer_->setReading(false);
    const auto results = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            const CardResult result = i % 2 == 0 ? cardEnd::primary : cardEnd::skip;
            card.onResult(result);
            expected.push_back(PipeMsg::result(id, resultCode(result)).encode());
        }
    };
    results(0, 20);
    for (int i = 0; i < 100; ++i) {
        send(request("ping"));
        expected.push_back(PipeMsg::pong().encode());
    }
    // The main thread takes the dismiss, read after the pings were answered.
    send(request("dismiss", "d"));
    ASSERT_TRUE(
        peer_->waitUntil([&] { return std::ranges::count(stack_.calls, "dismiss d") == 1; }));
    results(20, 40);
    peer_->setReading(true);
    sync();
    expected.push_back(PipeMsg::ready("sync-1").encode());
    EXPECT_TRUE(peer_->records() == expected);  // not printed: 1.3 MB
    EXPECT_EQ(peer_->connections(), 1);
}

// The agent drops a peer that lets the backlog pass the limit, and a partial line and every record
// of that connection go with it: the next connection gets only its own.
TEST_F(SocketDaemonTest, DropsAPeerThatLetsTheBacklogPassTheLimitAndStartsAfresh) {
    connectAgent({50ms, 100ms, 64 * 1024});
    const QString id(8 * 1024, 'o');
    auto& card = showCard(id);
    ASSERT_TRUE(peer_->sendBytes(R"({"op":"ping")"));
    ASSERT_TRUE(peer_->taken());
    // Beyond the socket's buffer and the limit together; no new connection meanwhile.
    ::unlink(path_.c_str());
    peer_->setReading(false);
    for (int i = 0; !peer_->hungUp(); ++i) {
        ASSERT_LT(i, 10000);
        card.onResult(cardEnd::primary);
    }
    card.onResult(cardEnd::primary);
    listen(path_);
    ASSERT_TRUE(peer_->sendBytes("}\n" + request("ping").encode() + "\n"));
    sync();
    card.onResult(cardEnd::skip);
    sync();
    EXPECT_EQ(peer_->records(),
              (Records{PipeMsg::pong().encode(), PipeMsg::ready("sync-1").encode(),
                       PipeMsg::result(id, 2).encode(), PipeMsg::ready("sync-2").encode()}));
}

TEST_F(SocketDaemonTest, RoutesByExactOpAndHandsCardsOnInOrder) {
    connectAgent();
    // One record over several reads, "Thé" split inside the é.
    for (const std::string part :
         {R"({"op":"show",)", R"("id":"split","title":"Th)", "\xC3", "\xA9\"}", "\r\n"}) {
        ASSERT_TRUE(peer_->sendBytes(part));
        ASSERT_TRUE(peer_->taken());
    }
    // Wrong case, no id, no op, bad records: ignored. A ping is answered without its id.
    ASSERT_TRUE(peer_->sendBytes(R"({"op":"PING"}
{"op":"Show","id":"x"}
{"op":"show","mode":"info","title":"t"}
{"op":"dismiss","id":null}
{"ev":"hb"}
{"op":"show","id":"x","duration":"30"}
)"));
    send(request("ping", "p"));
    PipeMsg tea = request("show", "a");
    tea.mode = "info";
    tea.title = "Tea";
    for (const PipeMsg& record : {tea, request("dismiss", "a"), request("show", "b"),
                                  request("dismiss", "zzz"), request("show", "c")}) {
        send(record);
    }
    sync();
    EXPECT_EQ(peer_->count(PipeMsg::pong()), 1);
    EXPECT_EQ(stack_.cards["split"].config.title, QStringLiteral("Th\u00E9"));
    EXPECT_EQ(stack_.calls,
              (Records{"show split", "show a", "dismiss a", "show b", "dismiss zzz", "show c"}));
    EXPECT_EQ(stack_.cards["a"].config.mode, NotifyMode::info);
    EXPECT_EQ(stack_.cards["a"].config.title, "Tea");
    stack_.cards["b"].onResult(cardEnd::secondary);
    EXPECT_TRUE(peer_->waitUntil([&] { return peer_->count(PipeMsg::result("b", 2)) == 1; }));
    // The callbacks outlive the daemon and touch nothing of it.
    daemon_.reset();
    stack_.cards["c"].onReady();
    stack_.cards["c"].onResult(cardEnd::primary);
}

// Each hello is answered; the reasons it brings belong to its connection and start with it.
TEST_F(SocketDaemonTest, HelloBringsReasonsToItsOwnConnectionOnly) {
    connectAgent();
    auto& card = showCard("a");
    card.onResult(cardEnd::skip);
    ASSERT_TRUE(peer_->sendBytes(R"({"op":"hello","version":3})"
                                 "\n"));
    PipeMsg hello = request("hello", "x");
    std::tie(hello.reason, hello.version, hello.code) = std::tuple("r", "v", 5);
    send(hello);
    sync();
    card.onResult(cardEnd::skip);
    send(request("hello"));
    sync();
    const std::string greeting = PipeMsg::hello().encode();
    EXPECT_EQ(peer_->records(), (Records{R"({"id":"a","ev":"result","code":2})", greeting,
                                         R"({"id":"sync-1","ev":"ready"})",
                                         R"({"id":"a","ev":"result","code":2,"reason":"skip"})",
                                         greeting, R"({"id":"sync-2","ev":"ready"})"}));
    peer_->drop();
    ASSERT_TRUE(peer_->accept());
    card.onResult(cardEnd::skip);
    sync();
    EXPECT_EQ(peer_->records(),
              (Records{R"({"id":"a","ev":"result","code":2})", R"({"id":"sync-3","ev":"ready"})"}));
}

TEST_F(SocketDaemonTest, AWatchingConnectionHearsTheTrueContextOnceAndEachChangeOnce) {
    context_.settled_ = false;
    connectAgent();
    const auto watch = [&](std::optional<std::int64_t> seconds) {
        PipeMsg record = request("watch");
        record.duration = seconds;
        send(record);
        sync();
    };
    const auto change = [&](Context now) {
        std::tie(context_.context_, context_.settled_) = std::tuple(now, true);
        daemon_->contextChanged();
    };
    watch(0);
    EXPECT_EQ(context_.threshold_, 1s) << "a threshold below 1 s counts as 1 s";
    stack_.cards["sync-1"].onHeld();
    change({.fullscreen = true});  // now known: the whole state
    change({.fullscreen = true});
    change({.fullscreen = true, .away = true});
    change({.doNotDisturb = true, .fullscreen = true, .away = true});  // away is not said again
    watch(300);
    EXPECT_EQ(context_.threshold_, 300s);
    EXPECT_EQ(peer_->records(),
              (Records{R"({"id":"sync-1","ev":"ready"})", R"({"id":"sync-1","ev":"held"})",
                       R"({"ev":"busy","detail":"fullscreen"})", R"({"ev":"back"})",
                       R"({"ev":"away"})", R"({"ev":"busy","detail":"do-not-disturb,fullscreen"})",
                       R"({"ev":"busy","detail":"do-not-disturb,fullscreen"})", R"({"ev":"away"})",
                       R"({"id":"sync-2","ev":"ready"})"}));

    peer_->drop();
    ASSERT_TRUE(peer_->accept());
    change({});
    sync();
    EXPECT_EQ(peer_->records(), (Records{R"({"id":"sync-3","ev":"ready"})"}))
        << "a new connection starts unwatched";
    EXPECT_EQ(context_.threshold_, ContextFeed::defaultAwayThreshold);
}

}  // namespace
}  // namespace wystrand
