#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <map>
#include <string>
#include <utility>

namespace wystrand::test {

// A service of one object on a private bus, on a connection of its own: its properties and
// methods answer from what the test gives it, and it sends the signals the test asks for. An
// unknown property or method fails.
class FakeService : public QDBusVirtualObject {
public:
    FakeService(const std::string& address, QString service, QString path);
    ~FakeService() override;

    bool start();
    void stop();

    // Sets the property and announces it with PropertiesChanged.
    void set(const QString& interface, const QString& name, const QVariant& value);
    // A call of `member` is answered with what `answer` returns (no value: an empty reply).
    void on(const QString& member, std::function<QVariant(const QVariantList&)> answer) {
        methods_[member] = std::move(answer);
    }
    void signal(const QString& interface, const QString& name, const QVariantList& arguments);

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override;

private:
    QDBusConnection bus_;
    QString service_, path_;
    std::map<std::pair<QString, QString>, QVariant> properties_;
    std::map<QString, std::function<QVariant(const QVariantList&)>> methods_;
};

}  // namespace wystrand::test
