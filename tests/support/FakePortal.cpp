#include "support/FakePortal.h"

#include <QDBusVariant>

namespace wystrand::test {

namespace {

const QString kInterface = "org.freedesktop.portal.Settings";

QVariant wrapped(const QVariant& value) {
    return QVariant::fromValue(QDBusVariant(value));
}

}  // namespace

FakePortal::FakePortal(const std::string& address, uint version)
    : FakeService(address, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop") {
    FakeService::set(kInterface, "version", version);
    for (const bool once : {false, true}) {
        if (once && version < 2) {
            break;
        }
        answer(once ? "ReadOne" : "Read", [this, once](const QDBusMessage& call) {
            const auto it = values_.find(
                {call.arguments().value(0).toString(), call.arguments().value(1).toString()});
            return it == values_.end()
                       ? call.createErrorReply("org.freedesktop.portal.Error.NotFound", "not found")
                       : call.createReply(once ? wrapped(it->second)
                                               : wrapped(wrapped(it->second)));
        });
    }
}

void FakePortal::change(const Key& key, const QVariant& value, bool inVariant) {
    set(key, value);
    signal(kInterface, "SettingChanged",
           {key.first, key.second, inVariant ? wrapped(value) : value});
}

}  // namespace wystrand::test
