#pragma once

#include "platform/context/ContextSource.h"

struct _GSettings;

namespace wystrand {

// One boolean key of the person's GSettings, read directly with GIO (the agent runs outside any
// sandbox, so it needs no portal for it) and followed through the key's changed signal. GIO
// delivers that signal through GLib's default main context, which Qt's event loop runs on Debian
// (Qt's GLib event dispatcher): it arrives on the main thread without a thread of its own, and
// never where Qt runs without GLib (QT_NO_GLIB). A schema that is not installed, a key it lacks
// and a key that is not boolean count as "does not hold", answered at start().
class GSettingsFlag : public ContextSource {
    Q_OBJECT
public:
    struct Spec {
        const char* schema;
        const char* key;
        // The value at which the flag holds.
        bool holdsAt;
    };

    explicit GSettingsFlag(Spec spec, QObject* parent = nullptr);
    ~GSettingsFlag() override;

    void start() override;

private:
    void read();

    Spec spec_;
    _GSettings* settings_ = nullptr;
    unsigned long handler_ = 0;
};

}  // namespace wystrand
