#pragma once

#include <QProcess>
#include <QString>
#include <string>

namespace wystrand::test {

// A private X server: Xvfb at 1440x875x24 (or the size given) on the first free display,
// without a window manager. It ends with this object, or with the process that started it.
class XvfbServer {
public:
    explicit XvfbServer(QString screen = "1440x875x24") : screen_(std::move(screen)) {}
    ~XvfbServer();

    // Waits until the server accepts connections and returns its display name (":N"), or an
    // empty string when it did not come up. Calling it again returns the same name.
    std::string start();

private:
    QString screen_;
    QProcess xvfb_;
    std::string display_;
};

}  // namespace wystrand::test
