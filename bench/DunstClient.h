#pragma once

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QString>
#include <cstdint>
#include <optional>

namespace wystrand::bench {

// The freedesktop notification interface, called on one bus connection that stays open, as a
// notification client would. Needs a QCoreApplication.
class DunstClient {
public:
    explicit DunstClient(const QString& busAddress);
    ~DunstClient();

    bool connected() const;
    // Whether a server owns org.freedesktop.Notifications.
    bool serverPresent() const;
    QString serverName() const;

    // Notify, sent without waiting for the reply; take the id with notificationId().
    QDBusPendingCall notify(const QString& summary, const QString& body);
    static std::optional<std::uint32_t> notificationId(QDBusPendingCall& call);
    void close(std::uint32_t id);

private:
    QDBusConnection connection_;
};

}  // namespace wystrand::bench
