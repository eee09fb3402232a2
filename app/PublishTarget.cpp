#include "app/PublishTarget.h"

#include "engine/Cp1251.h"
#include "engine/Error.h"

#include <array>
#include <charconv>
#include <openssl/evp.h>
#include <openssl/sha.h>

namespace zarvik {
namespace {

struct TSchemeName
{
    TPublishProtocol Protocol;
    std::string_view Scheme;
    int Port;
};

constexpr std::array<TSchemeName, 4> Schemes = {{
    {TPublishProtocol::Ftps, "ftps", 21},
    {TPublishProtocol::FtpsImplicit, "ftps-implicit", 990},
    {TPublishProtocol::Sftp, "sftp", 22},
    {TPublishProtocol::Ftp, "ftp", 21},
}};

[[noreturn]] void Refuse(std::string_view address, std::string_view reasonUtf8)
{
    throw EError(Utf8ToCp1251("Адрес публикации \"" + std::string(address) +
                              "\" не подходит: " + std::string(reasonUtf8)));
}

std::string TrimSlashes(std::string_view folder, bool keepLeading)
{
    const bool absolute = !folder.empty() && folder.front() == '/';
    while (!folder.empty() && folder.front() == '/')
        folder.remove_prefix(1);
    while (!folder.empty() && folder.back() == '/')
        folder.remove_suffix(1);
    return (absolute && keepLeading ? "/" : "") + std::string(folder);
}

} // namespace

std::string_view ProtocolScheme(TPublishProtocol protocol)
{
    for (const TSchemeName &s : Schemes) {
        if (s.Protocol == protocol)
            return s.Scheme;
    }
    return "ftps";
}

std::optional<TPublishProtocol> ProtocolFromScheme(std::string_view scheme)
{
    for (const TSchemeName &s : Schemes) {
        if (s.Scheme == scheme)
            return s.Protocol;
    }
    return std::nullopt;
}

int DefaultPort(TPublishProtocol protocol)
{
    for (const TSchemeName &s : Schemes) {
        if (s.Protocol == protocol)
            return s.Port;
    }
    return 21;
}

std::string TargetAddress(const TPublishTarget &target)
{
    std::string address = std::string(ProtocolScheme(target.Protocol)) + "://" + target.User + "@";
    address += target.Host.find(':') != std::string::npos ? "[" + target.Host + "]" : target.Host;
    if (target.Port != 0 && target.Port != DefaultPort(target.Protocol))
        address += ":" + std::to_string(target.Port);
    // An absolute folder keeps its own slash after the host's: "sftp://u@h//srv/www".
    address += "/" + target.Folder;
    return address;
}

TPublishTarget ParseTargetAddress(std::string_view address)
{
    TPublishTarget target;
    const std::size_t schemeEnd = address.find("://");
    if (schemeEnd == std::string_view::npos)
        Refuse(address, "нужна схема ftps://, ftps-implicit://, sftp:// или ftp://");
    std::string scheme(address.substr(0, schemeEnd));
    for (char &c : scheme)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    const std::optional<TPublishProtocol> protocol = ProtocolFromScheme(scheme);
    if (!protocol)
        Refuse(address, "схема \"" + scheme + "\" не поддерживается: ftps, ftps-implicit, sftp или ftp");
    target.Protocol = *protocol;
    std::string_view rest = address.substr(schemeEnd + 3);
    const std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    target.Folder =
        slash == std::string_view::npos ? std::string() : TrimSlashes(rest.substr(slash + 1), true);
    const std::size_t at = authority.rfind('@');
    if (at == std::string_view::npos || at == 0)
        Refuse(address, "не указано имя пользователя (USER@HOST)");
    target.User = std::string(authority.substr(0, at));
    if (target.User.find(':') != std::string::npos)
        Refuse(address, "пароль в адресе не хранится: уберите его после двоеточия");
    std::string_view hostPort = authority.substr(at + 1);
    std::string_view portText;
    if (!hostPort.empty() && hostPort.front() == '[') {
        const std::size_t close = hostPort.find(']');
        if (close == std::string_view::npos)
            Refuse(address, "не закрыта скобка адреса IPv6");
        target.Host = std::string(hostPort.substr(1, close - 1));
        if (close + 1 < hostPort.size()) {
            if (hostPort[close + 1] != ':')
                Refuse(address, "после адреса IPv6 ожидалось двоеточие и порт");
            portText = hostPort.substr(close + 2);
        }
    } else {
        const std::size_t colon = hostPort.find(':');
        target.Host = std::string(hostPort.substr(0, colon));
        if (colon != std::string_view::npos)
            portText = hostPort.substr(colon + 1);
    }
    if (target.Host.empty())
        Refuse(address, "не указан сервер");
    if (!portText.empty() || hostPort.ends_with(':')) {
        int port = 0;
        const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (portText.empty() || error != std::errc() || end != portText.data() + portText.size() ||
            port < 1 || port > 65535)
            Refuse(address, "порт должен быть числом от 1 до 65535");
        target.Port = port == DefaultPort(target.Protocol) ? 0 : port;
    }
    return target;
}

std::string FingerprintOf(std::string_view bytes)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), digest);
    unsigned char encoded[64];
    const int length = EVP_EncodeBlock(encoded, digest, SHA256_DIGEST_LENGTH);
    std::string text(reinterpret_cast<const char *>(encoded), static_cast<std::size_t>(length));
    while (!text.empty() && text.back() == '=')
        text.pop_back();
    return "SHA256:" + text;
}

std::optional<std::string> NormalizeFingerprint(std::string_view text)
{
    constexpr std::string_view prefix = "SHA256:";
    if (!text.starts_with(prefix))
        return std::nullopt;
    std::string body(text.substr(prefix.size()));
    while (!body.empty() && body.back() == '=')
        body.pop_back();
    // 32 bytes are 43 base64 digits without padding.
    if (body.size() != 43)
        return std::nullopt;
    for (const char c : body) {
        const bool digit = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '+' || c == '/';
        if (!digit)
            return std::nullopt;
    }
    return std::string(prefix) + body;
}

void KeepSettingsOf(TPublishTarget &fresh, const TPublishTarget &previous)
{
    fresh.Passive = previous.Passive;
    fresh.TlsMax12 = previous.TlsMax12;
    fresh.SshKey = previous.SshKey;
    if (fresh.Host == previous.Host && fresh.Port == previous.Port && fresh.Protocol == previous.Protocol)
        fresh.Fingerprint = previous.Fingerprint;
}

} // namespace zarvik
