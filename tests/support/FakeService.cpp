#include "support/FakeService.h"

#include <QDBusVariant>
#include <QVariantMap>

namespace wystrand::test {

FakeService::FakeService(const std::string& address, QString service, QString path)
    : bus_(QDBusConnection::connectToBus(QString::fromStdString(address), service + path)),
      service_(std::move(service)),
      path_(std::move(path)) {}

FakeService::~FakeService() {
    stop();
    QDBusConnection::disconnectFromBus(bus_.name());
}

bool FakeService::start() {
    return bus_.registerVirtualObject(path_, this) && bus_.registerService(service_);
}

void FakeService::stop() {
    bus_.unregisterService(service_);
    bus_.unregisterObject(path_);
}

void FakeService::set(const QString& interface, const QString& name, const QVariant& value) {
    properties_[{interface, name}] = value;
    signal("org.freedesktop.DBus.Properties", "PropertiesChanged",
           {interface, QVariantMap{{name, value}}, QStringList()});
}

void FakeService::on(const QString& member, std::function<QVariant(const QVariantList&)> value) {
    answer(member, [value = std::move(value)](const QDBusMessage& call) {
        const QVariant answer = value(call.arguments());
        return answer.isValid() ? call.createReply(answer) : call.createReply();
    });
}

void FakeService::signal(const QString& interface, const QString& name,
                         const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(path_, interface, name);
    signal.setArguments(arguments);
    bus_.send(signal);
}

void FakeService::release() {
    for (const QDBusMessage& call : std::exchange(held_, {})) {
        bus_.send(reply(call));
    }
}

bool FakeService::handleMessage(const QDBusMessage& call, const QDBusConnection& bus) {
    ++calls_[call.member()];
    if (hold_ && methods_.contains(call.member())) {
        call.setDelayedReply(true);
        held_.push_back(call);
        return true;
    }
    return bus.send(reply(call));
}

QDBusMessage FakeService::reply(const QDBusMessage& call) const {
    const QVariantList args = call.arguments();
    if (refuse_) {
        return call.createErrorReply(QDBusError::AccessDenied, "refused");
    }
    if (call.member() == "Get") {
        const auto it = properties_.find({args.value(0).toString(), args.value(1).toString()});
        return it == properties_.end()
                   ? call.createErrorReply(QDBusError::UnknownProperty, "unknown")
                   : call.createReply(QVariant::fromValue(QDBusVariant(it->second)));
    }
    const auto it = methods_.find(call.member());
    return it == methods_.end() ? call.createErrorReply(QDBusError::UnknownMethod, call.member())
                                : it->second(call);
}

}  // namespace wystrand::test
