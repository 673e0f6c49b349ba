#include "support/FakePortal.h"

#include <QDBusVariant>

namespace wystrand::test {

namespace {

const QString kService = "org.freedesktop.portal.Desktop";
const QString kPath = "/org/freedesktop/portal/desktop";
const QString kInterface = "org.freedesktop.portal.Settings";

QVariant wrapped(const QVariant& value) {
    return QVariant::fromValue(QDBusVariant(value));
}

}  // namespace

FakePortal::FakePortal(const QString& address, uint version)
    : bus_(QDBusConnection::connectToBus(address, "portal" + address)), version_(version) {}

FakePortal::~FakePortal() {
    stop();
}

bool FakePortal::start() {
    return bus_.registerVirtualObject(kPath, this) && bus_.registerService(kService);
}

void FakePortal::stop() {
    bus_.unregisterService(kService);
    bus_.unregisterObject(kPath);
}

void FakePortal::change(const Key& key, const QVariant& value, bool inVariant) {
    set(key, value);
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, "SettingChanged");
    signal << key.first << key.second << (inVariant ? wrapped(value) : value);
    bus_.send(signal);
}

void FakePortal::release() {
    for (const QDBusMessage& call : std::exchange(held_, {})) {
        bus_.send(answer(call));
    }
}

bool FakePortal::handleMessage(const QDBusMessage& call, const QDBusConnection& bus) {
    const bool read = call.member() == "Read" || call.member() == "ReadOne";
    reads_ += read;
    if (read && hold_) {
        call.setDelayedReply(true);
        held_.push_back(call);
        return true;
    }
    return bus.send(answer(call));
}

QDBusMessage FakePortal::answer(const QDBusMessage& call) const {
    const QList<QVariant> args = call.arguments();
    if (refuse_) {
        return call.createErrorReply(QDBusError::AccessDenied, "refused");
    }
    if (call.member() == "Get" && args.value(0) == kInterface && args.value(1) == "version") {
        return call.createReply(wrapped(version_));
    }
    const bool readOne = call.member() == "ReadOne" && version_ >= 2;
    if (readOne || call.member() == "Read") {
        const auto it = values_.find({args.value(0).toString(), args.value(1).toString()});
        if (it == values_.end()) {
            return call.createErrorReply("org.freedesktop.portal.Error.NotFound", "not found");
        }
        return call.createReply(readOne ? wrapped(it->second) : wrapped(wrapped(it->second)));
    }
    return call.createErrorReply(QDBusError::UnknownMethod, call.member());
}

}  // namespace wystrand::test
