#include "realtimekit.h"

#include <dbus/dbus.h>

#include <algorithm>
#include <cstdlib>
#include <sys/resource.h>

namespace kevaro {

namespace {

constexpr int replyTimeoutMs = 300;
constexpr const char *service = "org.freedesktop.RealtimeKit1";
constexpr const char *objectPath = "/org/freedesktop/RealtimeKit1";

// One private connection, closed again by the destructor; libdbus's shared bus connection
// would register with a reply wait of 25 s.
class SystemBus
{
public:
    SystemBus()
    {
        dbus_error_init(&error_);
        const char *address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
        connection_ = dbus_connection_open_private(
            address && *address ? address : "unix:path=/run/dbus/system_bus_socket", &error_);
        if (!connection_)
            return;
        DBusMessage *reply = call(dbus_message_new_method_call(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello"));
        const char *name = nullptr;
        if (reply &&
            dbus_message_get_args(reply, &error_, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID))
            dbus_bus_set_unique_name(connection_, name);
        if (reply)
            dbus_message_unref(reply);
        if (!name) {
            dbus_connection_close(connection_);
            dbus_connection_unref(connection_);
            connection_ = nullptr;
        }
    }
    ~SystemBus()
    {
        if (connection_) {
            dbus_connection_close(connection_);
            dbus_connection_unref(connection_);
        }
        dbus_error_free(&error_);
    }
    SystemBus(const SystemBus &) = delete;
    SystemBus &operator=(const SystemBus &) = delete;

    bool isConnected() const { return connection_ != nullptr; }
    std::string error() const { return error_.message ? error_.message : "no answer"; }

    // Takes the message; the reply or nullptr (then error() says why).
    DBusMessage *call(DBusMessage *message)
    {
        if (!message)
            return nullptr;
        // libdbus aborts on a call given an error that is still set: say only why this one failed.
        dbus_error_free(&error_);
        DBusMessage *reply = dbus_connection_send_with_reply_and_block(connection_, message,
                                                                       replyTimeoutMs, &error_);
        dbus_message_unref(message);
        return reply;
    }

    // A numeric property of RealtimeKit, or -1.
    long long property(const char *name)
    {
        DBusMessage *get = dbus_message_new_method_call(service, objectPath,
                                                        "org.freedesktop.DBus.Properties", "Get");
        const char *interface = service;
        dbus_message_append_args(get, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name,
                                 DBUS_TYPE_INVALID);
        DBusMessage *reply = call(get);
        if (!reply)
            return -1;
        long long value = -1;
        DBusMessageIter args;
        DBusMessageIter variant;
        if (dbus_message_iter_init(reply, &args) &&
            dbus_message_iter_get_arg_type(&args) == DBUS_TYPE_VARIANT) {
            dbus_message_iter_recurse(&args, &variant);
            DBusBasicValue basic{};
            switch (dbus_message_iter_get_arg_type(&variant)) {
            case DBUS_TYPE_INT32:
                dbus_message_iter_get_basic(&variant, &basic);
                value = basic.i32;
                break;
            case DBUS_TYPE_INT64:
                dbus_message_iter_get_basic(&variant, &basic);
                value = basic.i64;
                break;
            default:
                break;
            }
        }
        dbus_message_unref(reply);
        return value;
    }

private:
    DBusError error_;
    DBusConnection *connection_ = nullptr;
};

// RealtimeKit grants only to a process that cannot hog a core: RLIMIT_RTTIME at or below
// its maximum.
bool limitRealtimeCpuTime(long long maximumMicroseconds)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0)
        return false;
    const rlim_t wanted = rlim_t(maximumMicroseconds);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max <= wanted && limit.rlim_cur <= wanted)
        return true;
    limit.rlim_cur = std::min(limit.rlim_cur, wanted);
    limit.rlim_max = std::min(limit.rlim_max, wanted);
    return setrlimit(RLIMIT_RTTIME, &limit) == 0;
}

} // namespace

bool RealtimeKit::makeRealtime(pid_t thread, int priority, std::string &whyNot)
{
    SystemBus bus;
    if (!bus.isConnected()) {
        whyNot = "no system bus: " + bus.error();
        return false;
    }
    const long long maxPriority = bus.property("MaxRealtimePriority");
    const long long maxRealtimeUs = bus.property("RTTimeUSecMax");
    if (maxPriority < 1 || maxRealtimeUs < 1) {
        whyNot = "RealtimeKit does not answer: " + bus.error();
        return false;
    }
    if (!limitRealtimeCpuTime(maxRealtimeUs)) {
        whyNot = "could not limit RLIMIT_RTTIME";
        return false;
    }
    DBusMessage *make =
        dbus_message_new_method_call(service, objectPath, service, "MakeThreadRealtime");
    const dbus_uint64_t id = dbus_uint64_t(thread);
    const dbus_uint32_t granted = dbus_uint32_t(std::min<long long>(priority, maxPriority));
    dbus_message_append_args(make, DBUS_TYPE_UINT64, &id, DBUS_TYPE_UINT32, &granted,
                             DBUS_TYPE_INVALID);
    DBusMessage *reply = bus.call(make);
    if (!reply) {
        whyNot = "RealtimeKit refused: " + bus.error();
        return false;
    }
    dbus_message_unref(reply);
    return true;
}

} // namespace kevaro
