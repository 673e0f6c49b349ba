#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/SocketDaemon.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
constexpr const char* kPing = "{\"op\":\"ping\"}\n";

// The controller's side: pump() takes a new peer in place of the last and, while `reading`,
// collects its lines.
class UnixListener {
public:
    explicit UnixListener(std::string path) : path_(std::move(path)) {
        sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
        path_.copy(address.sun_path, sizeof(address.sun_path) - 1);
        ::unlink(path_.c_str());
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_EQ(::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        ::listen(fd_, 8);
    }
    ~UnixListener() {
        drop();
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    void pump() {
        pollfd fds[] = {{fd_, POLLIN, 0}, {peer_, POLLIN, 0}};
        if (::poll(fds, 2, 1) > 0 && (fds[0].revents & POLLIN)) {
            drop();
            peer_ = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            ++connections;
            partial_.clear();
            lines.clear();
        }
        if (!reading) {
            return;
        }
        char chunk[65536];
        ssize_t n = 0;
        while (peer_ >= 0 && (n = ::recv(peer_, chunk, sizeof(chunk), MSG_DONTWAIT)) > 0) {
            partial_.append(chunk, static_cast<std::size_t>(n));
            for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
                lines.push_back(partial_.substr(0, end));
                partial_.erase(0, end + 1);
            }
        }
        if (n == 0 || (n < 0 && errno != EAGAIN)) {
            drop();
        }
    }
    // Blocking, so whole.
    bool send(const std::string& bytes) const {
        return ::send(peer_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    void drop() { ::close(std::exchange(peer_, -1)); }  // EBADF when there is no peer
    void shutdownReading() const { ::shutdown(peer_, SHUT_RD); }
    bool hungUp() const {
        pollfd fd{peer_, POLLIN, 0};
        return ::poll(&fd, 1, 0) == 1 && (fd.revents & POLLHUP);
    }
    bool reading = true;
    int connections = 0;
    std::vector<std::string> lines;  // from the current peer

private:
    const std::string path_;
    int fd_ = -1;
    int peer_ = -1;
    std::string partial_;
};

class FakePanelStack : public PanelStack {
public:
    struct Card {
        ShowConfig config;
        ReadyCallback onReady;
        ResultCallback onResult;
        HeldCallback onHeld;
    };
    void show(const ShowConfig& config, ReadyCallback onReady, ResultCallback onResult,
              HeldCallback onHeld) override {
        cards.insert_or_assign(
            config.id.toStdString(),
            Card{config, std::move(onReady), std::move(onResult), std::move(onHeld)});
        calls.push_back("show " + config.id.toStdString());
    }
    void dismiss(const QString& id) override { calls.push_back("dismiss " + id.toStdString()); }
    void dismissAll() override { calls.push_back("dismissAll"); }
    std::vector<std::string> calls;
    std::map<std::string, Card> cards;
};

class SocketDaemonTest : public testing::Test {
protected:
    bool waitFor(const std::function<bool()>& condition) {
        return QTest::qWaitFor([&] { return listener_->pump(), condition(); }, 20000);
    }
    void startDaemon(const std::string& path, SocketDaemon::Options options = {50ms, 100ms}) {
        daemon_ = std::make_unique<SocketDaemon>(QString::fromStdString(path), stack_, options);
        daemon_->start();
    }
    void listen(const std::string& path) {
        listener_ = std::make_unique<UnixListener>(path);
        ASSERT_TRUE(waitFor([&] { return listener_->connections == 1; }));
    }
    void connectAgent() {
        startDaemon(path_);
        listen(path_);
    }
    void send(const std::string& bytes) { ASSERT_TRUE(listener_->send(bytes)); }
    FakePanelStack::Card& showCard(const std::string& id) {
        send(R"({"op":"show","id":")" + id + "\"}\n");
        EXPECT_TRUE(waitFor([&] { return stack_.cards.contains(id); }));
        return stack_.cards[id];
    }
    // The "ready" of this card comes after every record caused by what was sent before.
    void sync() {
        const QString id = QStringLiteral("sync-%1").arg(++syncs_);
        showCard(id.toStdString()).onReady();
        ASSERT_TRUE(waitFor([&] { return count(PipeMsg::ready(id)) == 1; }));
        std::erase(stack_.calls, "show " + id.toStdString());
    }
    int count(const PipeMsg& record) const {
        return static_cast<int>(std::ranges::count(listener_->lines, record.encode()));
    }
    std::vector<std::string> records() const {
        std::vector<std::string> lines = listener_->lines;
        std::erase(lines, PipeMsg::heartbeat().encode());
        return lines;
    }
    QTemporaryDir dir_;
    const std::string path_ = dir_.filePath("ctl.sock").toStdString();
    FakePanelStack stack_;
    std::unique_ptr<UnixListener> listener_;
    std::unique_ptr<SocketDaemon> daemon_;
    int syncs_ = 0;
};

TEST_F(SocketDaemonTest, ReachesALateListenerByACutPathAndOutlivesAPeerThatStopsTakingRecords) {
    const std::string dir = dir_.path().toStdString();
    const std::string cut = dir + "/" + std::string(106 - dir.size(), 's');  // 107 bytes
    startDaemon(cut + std::string(200 - cut.size(), 'x'));
    QTest::qWait(200);  // a few attempts fail meanwhile
    listen(cut);
    // Every write now fails (EPIPE, no SIGPIPE) and loses its record; requests still come in.
    auto& card = showCard("a");
    listener_->shutdownReading();
    send(kPing);
    card.onResult(2);
    showCard("b");
    listener_->drop();
    ASSERT_TRUE(waitFor([&] { return listener_->connections == 2; }));
    send(kPing);
    EXPECT_TRUE(
        waitFor([&] { return count(PipeMsg::heartbeat()) >= 3 && count(PipeMsg::pong()) == 1; }));
}

TEST_F(SocketDaemonTest, ForgetsAPartialLineAndTheRecordsOfALostConnection) {
    connectAgent();
    auto& card = showCard("a");
    send("{\"op\":\"ping\"");
    QTest::qWait(50);  // most likely read before the drop
    listener_.reset();
    card.onResult(0);
    listen(path_);
    send("}\n{\"op\":\"ping\"}\n");
    sync();
    EXPECT_EQ(count(PipeMsg::result("a", 0)), 0);
    EXPECT_EQ(count(PipeMsg::pong()), 1);
}

TEST_F(SocketDaemonTest, KeepsTheMainThreadGoingWhileThePeerStopsReadingThenDeliversAllInOrder) {
    connectAgent();
    const QString id(32 * 1024, 'r');
    auto& card = showCard(id.toStdString());
    std::vector<std::string> expected;
    // Far beyond what the socket holds, from both threads; a blocking send would hang here.
    listener_->reading = false;
    const auto results = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            card.onResult(i);
            expected.push_back(PipeMsg::result(id, i).encode());
        }
    };
    results(0, 20);
    for (int i = 0; i < 100; ++i) {
        send(kPing);
        expected.push_back(PipeMsg::pong().encode());
    }
    // The main thread takes the dismiss, read after the pings were answered.
    send(R"({"op":"dismiss","id":"d"})"
         "\n");
    ASSERT_TRUE(waitFor([&] { return std::ranges::count(stack_.calls, "dismiss d") == 1; }));
    results(20, 40);
    listener_->reading = true;
    sync();
    expected.push_back(PipeMsg::ready("sync-1").encode());
    EXPECT_TRUE(records() == expected);  // not printed: 1.3 MB
    EXPECT_EQ(listener_->connections, 1);
}

TEST_F(SocketDaemonTest, DropsAPeerThatLetsTheBacklogPassTheLimitAndConnectsAgain) {
    // Reconnecting late enough that no record of the loop below reaches the new connection.
    startDaemon(path_, {500ms, 100ms, 64 * 1024});
    listen(path_);
    const std::string id(8 * 1024, 'o');
    auto& card = showCard(id);
    listener_->reading = false;
    // Beyond the socket's buffer and the limit together, the agent drops the link itself.
    for (int i = 0; !listener_->hungUp(); ++i) {
        ASSERT_LT(i, 10000);
        card.onResult(i);
    }
    ASSERT_TRUE(waitFor([&] { return listener_->connections == 2; }));
    listener_->reading = true;
    card.onResult(100);
    sync();
    // Only what was sent on the new connection.
    EXPECT_EQ(records(),
              (std::vector<std::string>{PipeMsg::result(QString::fromStdString(id), 100).encode(),
                                        PipeMsg::ready("sync-1").encode()}));
}

TEST_F(SocketDaemonTest, FramesAndRoutesByExactOpAndHandsCardsOnInOrder) {
    connectAgent();
    // Several records in one read, CRLF kept, invalid UTF-8 and blank lines dropped.
    send("{\"op\":\"ping\"}\r\n \t \n\n\xC2\xA0\n\xC0\x80{\"op\":\"ping\"}\n");
    send("{\"op\":\"ping\",\"id\":\"\xED\xA0\x80\"}\n\xE3\x80\x80{\"op\":\"ping\"}\t\n");
    for (const std::string part :  // one record over several reads, "Thé" split inside the é
         {R"({"op":"show",)", R"("id":"split","title":"Th)", "\xC3", "\xA9\"}", "\r\n"}) {
        send(part);
        QTest::qWait(20);  // separate reads, most likely
    }
    // Wrong case, no id, no op, bad records: ignored. A ping is answered without its id.
    send(R"({"op":"PING"}
{"op":"Show","id":"x"}
{"op":"show","mode":"info","title":"t"}
{"op":"dismiss","id":null}
{"ev":"hb"}
{"op":"show","id":"x","duration":"30"}
{"op":"ping","id":"p"}
{"op":"show","id":"a","mode":"info","title":"Tea"}
{"op":"dismiss","id":"a"}
{"op":"show","id":"b"}
{"op":"dismiss","id":"zzz"}
{"op":"show","id":"c"}
)");
    sync();
    EXPECT_EQ(count(PipeMsg::pong()), 3);
    EXPECT_EQ(stack_.cards["split"].config.title, QStringLiteral("Th\u00E9"));
    EXPECT_EQ(stack_.calls, (std::vector<std::string>{"show split", "show a", "dismiss a", "show b",
                                                      "dismiss zzz", "show c"}));
    EXPECT_EQ(stack_.cards["a"].config.mode, NotifyMode::info);
    EXPECT_EQ(stack_.cards["a"].config.title, QStringLiteral("Tea"));
    stack_.cards["b"].onResult(2);
    EXPECT_TRUE(waitFor([&] { return count(PipeMsg::result("b", 2)) == 1; }));
    // The callbacks outlive the daemon and touch nothing of it.
    daemon_.reset();
    stack_.cards["c"].onReady();
    stack_.cards["c"].onResult(0);
}

}  // namespace
}  // namespace wystrand

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
