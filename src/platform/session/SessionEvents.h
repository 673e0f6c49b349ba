#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

namespace wystrand {

// Watches D-Bus for the screens going to sleep and for the user's own login session being
// locked or switched away, and then calls `onSessionEnd`, always later from the event loop of
// this object's thread, never from inside the bus callback. A bus that cannot be reached gives
// no events and no error.
class SessionEvents : public QObject {
    Q_OBJECT

public:
    explicit SessionEvents(std::function<void()> onSessionEnd, QObject* parent = nullptr);

    // Subscribes on the session and system buses and starts looking up the own login session.
    // Returns at once; the lookup completes asynchronously.
    void start();

    // The object path logind gives a session id: each byte outside [A-Za-z0-9], and a leading
    // digit, becomes '_' and two lower-case hex digits ("c2" stays "c2", "3" becomes "_33").
    static QString sessionPathForId(const QByteArray& sessionId);

private slots:
    void screenSaverActiveChanged(bool active);
    void prepareForSleep(bool start);
    void sessionLocked();
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                  const QStringList& invalidated);

private:
    void lookUpSessionById();
    void watchOwnSession(const QString& path);
    void sessionEnded();

    std::function<void()> onSessionEnd_;
    bool watchingSession_ = false;
};

}  // namespace wystrand
