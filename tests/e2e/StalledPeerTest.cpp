// The agent binary with a controlling process that stops reading: the cards must go on as usual.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/message/Protocol.h"
#include "e2e/Processes.h"

namespace wystrand::test {
namespace {

constexpr auto kPatience = 20s;

QDBusMessage screenSaverOn() {
    return QDBusMessage::createSignal("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                                      "ActiveChanged")
           << true;
}

// The test plays the controlling process on a plain non-blocking socket, so that it reads only
// when it says so and no wait of its own can hang.
class StalledPeerTest : public DesktopTest {
protected:
    void SetUp() override {
        const std::string path = dir_.filePath("agent.sock").toStdString();
        sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_EQ(::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)),
                  0);
        ASSERT_EQ(::listen(listener_, 1), 0);
        agent_ = startChild({WYSTRAND_AGENT, "--pipe", QString::fromStdString(path)}, environment);
        pollfd accept{listener_, POLLIN, 0};
        ASSERT_EQ(::poll(&accept, 1, int(std::chrono::milliseconds(kPatience).count())), 1);
        peer_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        ASSERT_GE(peer_, 0);
    }
    void TearDown() override {
        agent_->terminate();
        EXPECT_EQ(exitStatus(*agent_), 128 + SIGTERM);
        ::close(peer_);
        ::close(listener_);
    }

    // Whole, or false once the agent has taken nothing for kPatience.
    bool send(const std::string& bytes) {
        for (std::size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = ::send(peer_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            pollfd out{peer_, POLLOUT, 0};
            if (n > 0) {
                sent += std::size_t(n);
            } else if (errno != EAGAIN ||
                       ::poll(&out, 1, int(std::chrono::milliseconds(kPatience).count())) != 1) {
                return false;
            }
        }
        return true;
    }
    // Reads until `done` holds for the records so far (heartbeats left out), or gives up.
    bool readUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds patience = kPatience) {
        for (QDeadlineTimer deadline(patience); !done();) {
            pollfd in{peer_, POLLIN, 0};
            char chunk[65536];
            const ssize_t n = ::poll(&in, 1, int(deadline.remainingTime())) == 1
                                  ? ::recv(peer_, chunk, sizeof(chunk), 0)
                                  : 0;
            if (n <= 0) {
                return false;
            }
            partial_.append(chunk, std::size_t(n));
            for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
                if (const std::string line = partial_.substr(0, end);
                    line != PipeMsg::heartbeat().encode()) {
                    records_.push_back(line);
                }
                partial_.erase(0, end + 1);
            }
        }
        return true;
    }
    bool has(const PipeMsg& record) const {
        return std::ranges::count(records_, record.encode()) > 0;
    }
    void show(const std::string& id, const std::string& mode, int duration) {
        ASSERT_TRUE(send(R"({"op":"show","id":")" + id + R"(","mode":")" + mode +
                         R"(","duration":)" + std::to_string(duration) + "}\n"));
    }
    // The agent's mapped windows that overlap the screen: a window made ahead for the next card
    // waits mapped too, out of sight.
    int windowsOnScreen() {
        const auto shell = [&](const QStringList& argv) {
            std::map<std::string, int> values;
            std::istringstream out(run(argv, environment).out);
            for (std::string line; std::getline(out, line);) {
                if (const auto eq = line.find('='); eq != std::string::npos) {
                    values[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
                }
            }
            return values;
        };
        auto screen = shell({"xdotool", "getdisplaygeometry", "--shell"});
        std::istringstream ids(run({"xdotool", "search", "--onlyvisible", "--pid",
                                    QString::number(agent_->processId())},
                                   environment)
                                   .out);
        int count = 0;
        for (std::string id; std::getline(ids, id);) {
            auto w = shell({"xdotool", "getwindowgeometry", "--shell", QString::fromStdString(id)});
            count += w["X"] + w["WIDTH"] > 0 && w["X"] < screen["WIDTH"] &&
                     w["Y"] + w["HEIGHT"] > 0 && w["Y"] < screen["HEIGHT"];
        }
        return count;
    }
    bool cardsOnScreen(int count) {
        for (QDeadlineTimer deadline(kPatience); !deadline.hasExpired(); QThread::msleep(20)) {
            if (windowsOnScreen() == count) {
                return true;
            }
        }
        return false;
    }
    // The agent listens for the screen saver shortly after it connects: a probe card closing
    // with code 2 shows that it does.
    void screenSaverHeard() {
        show("probe", "alert", 600);
        const auto ended = [&] { return has(PipeMsg::result("probe", 2)); };
        for (int attempt = 0; attempt < 50 && !ended(); ++attempt) {
            connection(Bus::session).send(screenSaverOn());
            readUntil(ended, 200ms);
        }
        ASSERT_TRUE(ended());
        records_.clear();
    }

    QTemporaryDir dir_;
    int listener_ = -1;
    int peer_ = -1;
    std::unique_ptr<QProcess> agent_;
    std::string partial_;
    std::vector<std::string> records_;
};

TEST_F(StalledPeerTest, CardsCloseOnTheirTimersAndOnDismissAllWhileTheControllerDoesNotRead) {
    screenSaverHeard();
    show("kept", "alert", 600);
    show("timer", "info", 2);
    ASSERT_TRUE(readUntil([&] { return records_.size() == 2; }));
    ASSERT_TRUE(cardsOnScreen(2));
    // From here on nothing is read: the agent's answers, far more than the socket holds, wait.
    constexpr int kPings = 100000;
    std::string pings;
    for (int i = 0; i < kPings; ++i) {
        pings += "{\"op\":\"ping\"}\n";
    }
    ASSERT_TRUE(send(pings)) << "the agent stopped reading";
    EXPECT_TRUE(cardsOnScreen(1)) << "the timer's card did not close";
    connection(Bus::session).send(screenSaverOn());
    EXPECT_TRUE(cardsOnScreen(0)) << "dismiss-all left a card";
    // Reading again, everything comes, once and in order.
    ASSERT_TRUE(readUntil([&] { return has(PipeMsg::result("kept", 2)); }));
    std::vector<std::string> events = records_;
    EXPECT_EQ(std::erase(events, PipeMsg::pong().encode()), std::size_t(kPings));
    EXPECT_EQ(events,
              (std::vector<std::string>{
                  PipeMsg::ready("kept").encode(), PipeMsg::ready("timer").encode(),
                  PipeMsg::result("timer", 0).encode(), PipeMsg::result("kept", 2).encode()}));
}

}  // namespace
}  // namespace wystrand::test
