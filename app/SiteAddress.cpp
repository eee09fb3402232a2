#include "app/SiteAddress.h"

#include "engine/Cp1251.h"
#include "engine/Error.h"

#include <charconv>
#include <cstdint>
#include <idn2.h>
#include <variant>

namespace zarvik {
namespace {

struct TParsedAddress
{
    std::string Scheme;
    std::string Host;
    std::string Port;
    std::string Path;
};

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (char &c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool IsUnreserved(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

void AppendPercent(std::string &out, unsigned char c)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    out += '%';
    out += Hex[c >> 4];
    out += Hex[c & 0xF];
}

// The host in ACE form, or nothing when it is no valid domain name. Mapping (TR46,
// non-transitional) folds case, so "САД.РФ" and "сад.рф" give the same name.
std::optional<std::string> AceHost(const std::string &host)
{
    if (host.front() == '[') {
        const std::string inner = AsciiLower(host.substr(1, host.size() - 2));
        if (inner.find(':') == std::string::npos ||
            inner.find_first_not_of("0123456789abcdef:.") != std::string::npos)
            return std::nullopt;
        return "[" + inner + "]";
    }
    char *ace = nullptr;
    const int result =
        idn2_lookup_u8(reinterpret_cast<const std::uint8_t *>(host.c_str()),
                       reinterpret_cast<std::uint8_t **>(&ace), IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL);
    if (result != IDN2_OK || ace == nullptr)
        return std::nullopt;
    std::string out(ace);
    idn2_free(ace);
    if (out.empty())
        return std::nullopt;
    return out;
}

// The parts of `typed`, or the reason (UTF-8) it is refused.
std::variant<TParsedAddress, std::string> Parse(std::string_view typed)
{
    for (const char c : typed) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            return std::string("пробелы и управляющие символы в нём не допускаются");
    }
    const std::size_t colon = typed.find("://");
    TParsedAddress address;
    if (colon != std::string_view::npos)
        address.Scheme = AsciiLower(typed.substr(0, colon));
    if (address.Scheme != "http" && address.Scheme != "https")
        return std::string("он должен начинаться с http:// или https://");
    if (typed.find('?') != std::string_view::npos)
        return std::string("параметры запроса (?) в нём не допускаются");
    if (typed.find('#') != std::string_view::npos)
        return std::string("якорь (#) в нём не допускается");
    const std::string_view rest = typed.substr(colon + 3);
    const std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    if (slash != std::string_view::npos)
        address.Path = std::string(rest.substr(slash));
    if (authority.find('@') != std::string_view::npos)
        return std::string("имя пользователя и пароль в нём не допускаются");
    const std::size_t bracket = authority.rfind(']');
    const std::size_t portColon = authority.rfind(':');
    const bool hasPort =
        authority.starts_with('[')
            ? bracket != std::string_view::npos && portColon != std::string_view::npos && portColon > bracket
            : portColon != std::string_view::npos;
    if (hasPort) {
        const std::string_view port = authority.substr(portColon + 1);
        unsigned number = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
        if (port.empty() || error != std::errc() || end != port.data() + port.size() || number == 0 ||
            number > 65535)
            return std::string("порт должен быть числом от 1 до 65535");
        address.Port = std::string(port);
        authority = authority.substr(0, portColon);
    }
    if (authority.empty())
        return std::string("в нём не указано имя сервера");
    const bool bracketed = authority.front() == '[';
    const bool malformed = bracketed ? authority.back() != ']' || authority.size() < 3
                                     : authority.find_first_of("%\\[]\"<>^`{|}") != std::string_view::npos ||
                                           authority.front() == '.' ||
                                           authority.find("..") != std::string_view::npos;
    const std::optional<std::string> host = malformed ? std::nullopt : AceHost(std::string(authority));
    if (!host)
        return "имя сервера «" + std::string(authority) + "» не является допустимым";
    address.Host = *host;
    return address;
}

std::string ProblemText(std::string_view typed, const std::string &reason)
{
    return Utf8ToCp1251("Неверный адрес сайта \"" + std::string(typed) + "\": " + reason);
}

} // namespace

std::optional<std::string> BaseUrlProblem(std::string_view typed)
{
    const auto parsed = Parse(typed);
    if (const auto *reason = std::get_if<std::string>(&parsed))
        return ProblemText(typed, *reason);
    return std::nullopt;
}

std::string PercentEncodePath(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte) || c == '/')
            out += c;
        else
            AppendPercent(out, byte);
    }
    return out;
}

std::string PublicBaseUrl(std::string_view typed)
{
    const auto parsed = Parse(typed);
    if (const auto *reason = std::get_if<std::string>(&parsed))
        throw EError(ProblemText(typed, *reason));
    const auto &address = std::get<TParsedAddress>(parsed);
    std::string out = address.Scheme + "://" + address.Host;
    if (!address.Port.empty())
        out += ":" + address.Port;
    // A path the user typed percent-encoded stays as typed; anything else is encoded.
    for (const char c : address.Path) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte) || c == '/' || c == '%')
            out += c;
        else
            AppendPercent(out, byte);
    }
    if (out.back() != '/')
        out += '/';
    return out;
}

std::string PageAddress(std::string_view publicBase, std::string_view pageUrl)
{
    std::string out(publicBase);
    if (out.empty() || out.back() != '/')
        out += '/';
    if (pageUrl == "index.html")
        return out;
    out += PercentEncodePath(Cp1251ToUtf8(pageUrl));
    return out;
}

} // namespace zarvik
