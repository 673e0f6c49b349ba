#pragma once

#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include "platform/context/ContextSource.h"

namespace wystrand {

// One yes-or-no state that a service on the session bus keeps: a property, followed through
// PropertiesChanged, or the answer of a method, followed through a signal that carries the new
// value. Read whenever the service appears; a service that is missing or goes away, an error
// reply and a value of the wrong type all count as "does not hold".
class BusFlag : public ContextSource {
    Q_OBJECT
public:
    struct Spec {
        QString service;
        QString path;
        QString interface;
        // The property; or, with `signal` set, the method that answers the value.
        QString member;
        QString signal;
        // Whether the value, of whatever type it came in, means the flag holds.
        bool (*holds)(const QVariant& value);
    };

    explicit BusFlag(Spec spec, QObject* parent = nullptr);

    void start() override;

private slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);
    void signalled(const QDBusMessage& message);

private:
    void read();
    void vanished();

    Spec spec_;
    // Values heard live so far: a reply to a read sent before the last of them is out of date.
    unsigned heard_ = 0;
};

}  // namespace wystrand
