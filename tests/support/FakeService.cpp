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

void FakeService::signal(const QString& interface, const QString& name,
                         const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(path_, interface, name);
    signal.setArguments(arguments);
    bus_.send(signal);
}

bool FakeService::handleMessage(const QDBusMessage& call, const QDBusConnection& bus) {
    const QVariantList args = call.arguments();
    if (call.member() == "Get") {
        const auto it = properties_.find({args.value(0).toString(), args.value(1).toString()});
        return bus.send(it == properties_.end()
                            ? call.createErrorReply(QDBusError::UnknownProperty, "unknown")
                            : call.createReply(QVariant::fromValue(QDBusVariant(it->second))));
    }
    const auto it = methods_.find(call.member());
    if (it == methods_.end()) {
        return bus.send(call.createErrorReply(QDBusError::UnknownMethod, call.member()));
    }
    const QVariant answer = it->second(args);
    return bus.send(answer.isValid() ? call.createReply(answer) : call.createReply());
}

}  // namespace wystrand::test
