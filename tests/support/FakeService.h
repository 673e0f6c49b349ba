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
#include <vector>

namespace wystrand::test {

// A service of one object on a private bus, on a connection of its own, answering and signalling
// as the test says. An unknown property or method fails, and so does every call once `refuse` is
// set; while `hold` is set, method calls wait and are answered, as of then, by release().
class FakeService : public QDBusVirtualObject {
public:
    using Answer = std::function<QDBusMessage(const QDBusMessage& call)>;

    FakeService(const std::string& address, QString service, QString path);
    ~FakeService() override;

    bool start();
    void stop();

    // Sets the property and announces it with PropertiesChanged.
    void set(const QString& interface, const QString& name, const QVariant& value);
    void answer(const QString& member, Answer answer) { methods_[member] = std::move(answer); }
    // A call of `member` is answered with what `value` returns (no value: an empty reply).
    void on(const QString& member, std::function<QVariant(const QVariantList&)> value);
    void signal(const QString& interface, const QString& name, const QVariantList& arguments);
    void refuse(bool refuse) { refuse_ = refuse; }
    void hold(bool hold) { hold_ = hold; }
    void release();
    // Calls of `member` answered or held so far.
    int calls(const QString& member) const {
        return calls_.contains(member) ? calls_.at(member) : 0;
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override;

private:
    QDBusMessage reply(const QDBusMessage& call) const;

    QDBusConnection bus_;
    QString service_, path_;
    std::map<std::pair<QString, QString>, QVariant> properties_;
    std::map<QString, Answer> methods_;
    std::map<QString, int> calls_;
    bool refuse_ = false;
    bool hold_ = false;
    std::vector<QDBusMessage> held_;
};

}  // namespace wystrand::test
