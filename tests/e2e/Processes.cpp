#include "e2e/Processes.h"

#include <signal.h>
#include <sys/prctl.h>

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <filesystem>
#include <fstream>

namespace wystrand::test {

std::unique_ptr<QProcess> startChild(const QStringList& argv, const EnvChanges& env) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env) {
        environment.remove(QString::fromStdString(name));
        if (value) {
            environment.insert(QString::fromStdString(name), QString::fromStdString(*value));
        }
    }
    auto child = std::make_unique<QProcess>();
    child->setProcessEnvironment(environment);
    child->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    child->start(argv.first(), argv.mid(1));
    child->waitForStarted();
    return child;
}

int exitStatus(QProcess& child, std::chrono::milliseconds timeout) {
    if (!child.waitForFinished(static_cast<int>(timeout.count())) &&
        child.state() != QProcess::NotRunning) {
        return -1;
    }
    // After a crash the exit code is the signal.
    return (child.exitStatus() == QProcess::CrashExit ? 128 : 0) + child.exitCode();
}

std::vector<pid_t> childrenOf(qint64 pid) {
    std::vector<pid_t> children;
    std::error_code ignored;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, ignored)) {
        std::ifstream in(task.path() / "children");
        for (pid_t child; in >> child;) {
            children.push_back(child);
        }
    }
    return children;
}

RunResult run(const QStringList& argv, const EnvChanges& env) {
    const auto child = startChild(argv, env);
    const int status = exitStatus(*child, 20s);
    return {status, child->readAllStandardOutput().toStdString(),
            child->readAllStandardError().toStdString()};
}

Desktop::~Desktop() {
    QDBusConnection::disconnectFromBus(QStringLiteral("e2e-session"));
    QDBusConnection::disconnectFromBus(QStringLiteral("e2e-system"));
}

bool Desktop::start() {
    display_ = xvfb_.start();
    return !display_.empty() && buses_.start() &&
           QDBusConnection::connectToBus(QString::fromStdString(buses_.sessionAddress()),
                                         QStringLiteral("e2e-session"))
               .isConnected() &&
           QDBusConnection::connectToBus(QString::fromStdString(buses_.systemAddress()),
                                         QStringLiteral("e2e-system"))
               .isConnected();
}

EnvChanges Desktop::environment() const {
    return {{"DISPLAY", display_},
            {"DBUS_SESSION_BUS_ADDRESS", buses_.sessionAddress()},
            {"DBUS_SYSTEM_BUS_ADDRESS", buses_.systemAddress()},
            {"XDG_SESSION_ID", "3"},
            {"WAYLAND_DISPLAY", std::nullopt},
            {"QT_QPA_PLATFORM", std::nullopt}};
}

QDBusConnection Desktop::connection(Bus bus) const {
    return QDBusConnection(bus == Bus::session ? QStringLiteral("e2e-session")
                                               : QStringLiteral("e2e-system"));
}

bool Desktop::syncWith(Bus bus, qint64 pid) {
    QDBusConnection conn = connection(bus);
    QString name;
    const bool found = eventually([&] {
        const QDBusReply<QStringList> names = conn.interface()->registeredServiceNames();
        for (const QString& candidate : names.value()) {
            if (candidate.startsWith(QLatin1Char(':')) &&
                conn.interface()->servicePid(candidate).value() == pid) {
                name = candidate;
                return true;
            }
        }
        return false;
    });
    if (!found) {
        return false;
    }
    // Any answer but a timeout will do, a refusal included: it comes after the earlier messages.
    const QDBusMessage reply = conn.call(QDBusMessage::createMethodCall(
        name, QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Introspectable"),
        QStringLiteral("Introspect")));
    return reply.type() == QDBusMessage::ReplyMessage ||
           reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.UnknownObject");
}

}  // namespace wystrand::test
