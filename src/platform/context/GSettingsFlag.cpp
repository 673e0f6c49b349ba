#include "platform/context/GSettingsFlag.h"

#include <QByteArray>

// GIO names a structure member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace wystrand {

namespace {

// g_settings_new aborts on a schema that is not installed, and reading a key the schema lacks
// aborts too: both are looked up first.
GSettings* booleanKey(const char* schemaId, const char* key) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source != nullptr ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr;
    if (schema == nullptr) {
        return nullptr;
    }
    bool boolean = false;
    if (g_settings_schema_has_key(schema, key)) {
        GSettingsSchemaKey* found = g_settings_schema_get_key(schema, key);
        boolean = g_variant_type_equal(g_settings_schema_key_get_value_type(found),
                                       G_VARIANT_TYPE_BOOLEAN);
        g_settings_schema_key_unref(found);
    }
    GSettings* settings = boolean ? g_settings_new_full(schema, nullptr, nullptr) : nullptr;
    g_settings_schema_unref(schema);
    return settings;
}

// dconf reaches its service through GLib's shared session-bus connection, which by default ends
// the process with SIGTERM when the bus goes away. The agent outlives its session bus, as it does
// with Qt's connections; the flag then stays as last read.
void outliveTheSessionBus() {
    g_bus_get(
        G_BUS_TYPE_SESSION, nullptr,
        +[](GObject*, GAsyncResult* result, gpointer) {
            if (GDBusConnection* bus = g_bus_get_finish(result, nullptr)) {
                g_dbus_connection_set_exit_on_close(bus, FALSE);
                g_object_unref(bus);
            }
        },
        nullptr);
}

}  // namespace

GSettingsFlag::GSettingsFlag(Spec spec, QObject* parent) : ContextSource(parent), spec_(spec) {}

GSettingsFlag::~GSettingsFlag() {
    if (settings_ != nullptr) {
        g_signal_handler_disconnect(settings_, handler_);
        g_object_unref(settings_);
    }
}

void GSettingsFlag::start() {
    settings_ = booleanKey(spec_.schema, spec_.key);
    if (settings_ == nullptr) {
        report(false);
        return;
    }
    outliveTheSessionBus();
    // GSettings announces a change of a key only once the key has been read with a handler
    // connected: connected first, then read.
    const QByteArray signal = QByteArray("changed::") + spec_.key;
    handler_ = g_signal_connect(settings_, signal.constData(),
                                G_CALLBACK(+[](GSettings*, const gchar*, gpointer self) {
                                    static_cast<GSettingsFlag*>(self)->read();
                                }),
                                this);
    read();
}

void GSettingsFlag::read() {
    report(bool(g_settings_get_boolean(settings_, spec_.key)) == spec_.holdsAt);
}

}  // namespace wystrand
