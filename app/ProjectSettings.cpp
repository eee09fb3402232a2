#include "app/ProjectSettings.h"

#include "app/FileAccess.h"
#include "app/SafeSave.h"
#include "app/SiteAddress.h"
#include "engine/Cp1251.h"
#include "engine/Error.h"

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>
#include <string_view>
#include <sys/stat.h>
#include <variant>

namespace zarvik {
namespace {

using TJson = nlohmann::ordered_json;

constexpr std::string_view BaseUrlKey = "baseUrl";
constexpr std::string_view SitemapKey = "sitemap";
constexpr std::string_view RobotsKey = "robots";
constexpr std::string_view PublishKey = "publish";

TJson PublishJson(const TPublishTarget &target)
{
    TJson json = TJson::object();
    json["address"] = TargetAddress(target);
    json["passive"] = target.Passive;
    json["tlsMax"] = target.TlsMax12 ? "1.2" : "1.3";
    if (!target.Fingerprint.empty())
        json["fingerprint"] = target.Fingerprint;
    if (!target.SshKey.empty())
        json["sshKey"] = target.SshKey;
    return json;
}

// The target of a "publish" object, or the reason (UTF-8) it cannot be read.
std::variant<TPublishTarget, std::string> ParsePublishJson(const TJson &json)
{
    if (!json.is_object())
        return std::string("значение publish должно быть объектом");
    const auto address = json.find("address");
    if (address == json.end() || !address->is_string())
        return std::string("в publish нужен строковый address");
    TPublishTarget target;
    try {
        target = ParseTargetAddress(address->get<std::string>());
    } catch (const EError &e) {
        return Cp1251ToUtf8(e.Message());
    }
    if (const auto passive = json.find("passive"); passive != json.end()) {
        if (!passive->is_boolean())
            return std::string("значение passive должно быть true или false");
        target.Passive = passive->get<bool>();
    }
    if (const auto tls = json.find("tlsMax"); tls != json.end()) {
        if (!tls->is_string() || (*tls != "1.2" && *tls != "1.3"))
            return std::string("значение tlsMax должно быть \"1.2\" или \"1.3\"");
        target.TlsMax12 = *tls == "1.2";
    }
    if (const auto pin = json.find("fingerprint"); pin != json.end()) {
        const std::optional<std::string> normal =
            pin->is_string() ? NormalizeFingerprint(pin->get<std::string>()) : std::nullopt;
        if (!normal)
            return std::string("значение fingerprint должно иметь вид SHA256:…");
        target.Fingerprint = *normal;
    }
    if (const auto key = json.find("sshKey"); key != json.end()) {
        if (!key->is_string())
            return std::string("значение sshKey должно быть строкой");
        target.SshKey = key->get<std::string>();
    }
    return target;
}

// The 1-based line of the byte at `offset` (0-based).
std::size_t LineOf(const std::string &text, std::size_t offset)
{
    offset = std::min(offset, text.size());
    return 1 +
           static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n'));
}

// The line where a key is written: its first occurrence as a JSON string.
std::size_t LineOfKey(const std::string &text, std::string_view key)
{
    const std::size_t at = text.find("\"" + std::string(key) + "\"");
    return at == std::string::npos ? 1 : LineOf(text, at);
}

std::string LineProblem(std::size_t line, std::string_view reasonUtf8)
{
    return Utf8ToCp1251("строка " + std::to_string(line) + ": " + std::string(reasonUtf8));
}

// The reason of a parse error without the library's prefix and its own position.
std::string ParseReason(const nlohmann::json::parse_error &e)
{
    std::string_view what = e.what();
    const std::size_t column = what.find("column ");
    const std::size_t colon = column == std::string_view::npos ? what.find(": ") : what.find(": ", column);
    if (colon != std::string_view::npos)
        what.remove_prefix(colon + 2);
    return std::string(what);
}

} // namespace

void TProjectSettings::SetBaseUrl(std::string value)
{
    if (!value.empty()) {
        if (const std::optional<std::string> problem = BaseUrlProblem(value))
            throw EError(*problem);
    }
    FBaseUrl = std::move(value);
}

std::string TProjectSettings::ToJson() const
{
    TJson json = TJson::object();
    json[std::string(BaseUrlKey)] = FBaseUrl;
    json[std::string(SitemapKey)] = FSitemap;
    json[std::string(RobotsKey)] = FRobots;
    if (FPublishTarget)
        json[std::string(PublishKey)] = PublishJson(*FPublishTarget);
    for (const auto &[key, value] : FOtherKeys)
        json[key] = TJson::parse(value);
    return json.dump(2) + "\n";
}

std::string ProjectSettingsPath(const std::string &projectPath)
{
    std::string base = projectPath;
    const std::size_t slash = base.rfind('/');
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        std::string extension = base.substr(dot);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
        if (extension == ".sgp")
            base.resize(dot);
    }
    return base + ".zarvik.json";
}

TSettingsParse ParseProjectSettings(const std::string &text)
{
    TSettingsParse result;
    TJson json;
    try {
        json = TJson::parse(text);
    } catch (const nlohmann::json::parse_error &e) {
        result.Problem = LineProblem(LineOf(text, e.byte == 0 ? 0 : e.byte - 1), ParseReason(e));
        return result;
    }
    if (!json.is_object()) {
        result.Problem = LineProblem(1, "ожидался объект JSON");
        return result;
    }
    TProjectSettings settings;
    for (const auto &[key, value] : json.items()) {
        if (key == BaseUrlKey) {
            if (!value.is_string()) {
                result.Problem = LineProblem(LineOfKey(text, key), "значение baseUrl должно быть строкой");
                return result;
            }
            const std::string url = value.get<std::string>();
            if (!url.empty()) {
                if (const std::optional<std::string> problem = BaseUrlProblem(url)) {
                    result.Problem =
                        Utf8ToCp1251("строка " + std::to_string(LineOfKey(text, key)) + ": ") + *problem;
                    return result;
                }
            }
            settings.SetBaseUrl(url);
        } else if (key == SitemapKey || key == RobotsKey) {
            if (!value.is_boolean()) {
                result.Problem =
                    LineProblem(LineOfKey(text, key), "значение " + key + " должно быть true или false");
                return result;
            }
            if (key == SitemapKey)
                settings.SetSitemap(value.get<bool>());
            else
                settings.SetRobots(value.get<bool>());
        } else if (key == PublishKey) {
            auto parsed = ParsePublishJson(value);
            if (const std::string *problem = std::get_if<std::string>(&parsed)) {
                result.Problem = LineProblem(LineOfKey(text, key), *problem);
                return result;
            }
            settings.SetPublishTarget(std::get<TPublishTarget>(std::move(parsed)));
        } else {
            settings.OtherKeys().emplace_back(key, value.dump());
        }
    }
    settings.SetFromFile(true);
    result.Settings = std::move(settings);
    return result;
}

TSettingsLoad LoadProjectSettings(const std::string &projectPath)
{
    TSettingsLoad result;
    const std::string path = ProjectSettingsPath(projectPath);
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT)
        return result;
    std::string text;
    try {
        text = ReadFileBytes(path);
    } catch (const EError &e) {
        result.Warning = e.Message() + Utf8ToCp1251(". Настройки публикации выключены");
        return result;
    }
    TSettingsParse parsed = ParseProjectSettings(text);
    if (parsed.Problem) {
        result.Warning = Utf8ToCp1251("Файл настроек \"") + MessagePath(path) +
                         Utf8ToCp1251("\" повреждён, ") + *parsed.Problem +
                         Utf8ToCp1251(". Настройки публикации выключены");
        return result;
    }
    result.Settings = std::move(parsed.Settings);
    return result;
}

void SaveProjectSettings(const std::string &projectPath, const TProjectSettings &settings)
{
    if (settings.Empty() && !settings.FromFile())
        return;
    ReplaceFile(ProjectSettingsPath(projectPath), settings.ToJson());
}

} // namespace zarvik
