#pragma once

#include <QDBusContext>
#include <QObject>

#include "core/panels/CardCommands.h"

namespace wystrand {

// Takes the person's commands for the cards on screen over the session bus, as a desktop's key
// binding or the controller sends them: owns the well-known name (a second agent waits in the
// name's queue) and exports Accept, Later and Focus on its object. Calls with other arguments, or
// of other methods, get an error reply from the bus library and reach nothing. Main thread only.
class BusCommands : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.wystrand.Notify")

public:
    explicit BusCommands(CardCommands& cards, QObject* parent = nullptr);

    // Exports the object and asks for the name; without a session bus, nothing.
    void start();

public slots:
    Q_SCRIPTABLE bool Accept();
    Q_SCRIPTABLE bool Later();
    // An error reply where the desktop cannot give a card the keyboard.
    Q_SCRIPTABLE bool Focus();

private:
    CardCommands& cards_;
};

}  // namespace wystrand
