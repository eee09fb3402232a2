#include "app/SecretStore.h"

#include <cstdlib>
#include <libsecret/secret.h>

namespace zarvik {
namespace {

const SecretSchema *PasswordSchema()
{
    static const SecretSchema schema = {"org.zarvik.Publish",
                                        SECRET_SCHEMA_NONE,
                                        {{"protocol", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"host", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER},
                                         {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

// A session without a bus would make libsecret try to start one (and an X11 helper with it).
bool HasSessionBus()
{
    const char *bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return bus != nullptr && *bus != '\0';
}

int PortOf(const TPublishTarget &target)
{
    return target.Port != 0 ? target.Port : DefaultPort(target.Protocol);
}

std::string Scheme(const TPublishTarget &target)
{
    return std::string(ProtocolScheme(target.Protocol));
}

} // namespace

bool SecretServiceAvailable()
{
    if (!HasSessionBus())
        return false;
    GError *error = nullptr;
    SecretService *service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
    if (error != nullptr)
        g_error_free(error);
    if (service == nullptr)
        return false;
    g_object_unref(service);
    return true;
}

std::optional<std::string> LookupPublishPassword(const TPublishTarget &target)
{
    if (!HasSessionBus())
        return std::nullopt;
    GError *error = nullptr;
    gchar *password = secret_password_lookup_sync(PasswordSchema(), nullptr, &error, "protocol",
                                                  Scheme(target).c_str(), "host", target.Host.c_str(), "port",
                                                  PortOf(target), "user", target.User.c_str(), nullptr);
    if (error != nullptr)
        g_error_free(error);
    if (password == nullptr)
        return std::nullopt;
    std::string result(password);
    secret_password_free(password);
    return result;
}

bool StorePublishPassword(const TPublishTarget &target, const std::string &password)
{
    if (!HasSessionBus())
        return false;
    GError *error = nullptr;
    const std::string label = "Zarvik: " + target.User + "@" + target.Host;
    const gboolean stored = secret_password_store_sync(
        PasswordSchema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(), nullptr, &error,
        "protocol", Scheme(target).c_str(), "host", target.Host.c_str(), "port", PortOf(target), "user",
        target.User.c_str(), nullptr);
    if (error != nullptr)
        g_error_free(error);
    return stored != FALSE;
}

void ForgetPublishPassword(const TPublishTarget &target)
{
    if (!HasSessionBus())
        return;
    GError *error = nullptr;
    secret_password_clear_sync(PasswordSchema(), nullptr, &error, "protocol", Scheme(target).c_str(), "host",
                               target.Host.c_str(), "port", PortOf(target), "user", target.User.c_str(),
                               nullptr);
    if (error != nullptr)
        g_error_free(error);
}

} // namespace zarvik
