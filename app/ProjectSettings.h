#pragma once

#include "app/PublishTarget.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// The project's own settings that the project file cannot hold: other programs read that file
// and refuse it whole for a property they do not know. They live beside it, in
// "NAME.zarvik.json" for "NAME.sgp", a UTF-8 JSON object:
//   {"baseUrl": "https://сад.рф/", "sitemap": true, "robots": false,
//    "publish": {"address": "ftps://anna@example.ru/www", "passive": true, "tlsMax": "1.3",
//                "fingerprint": "SHA256:…", "sshKey": "/home/anna/.ssh/id_ed25519"}}
// A missing key, like a missing file, means the setting is off. Keys this version does not know
// are kept as they are on save. The file never holds a secret.
namespace zarvik {

class TProjectSettings
{
public:
    // The site's public address as the user typed it (UTF-8); empty when not set. A non-empty
    // value has passed BaseUrlProblem.
    const std::string &BaseUrl() const { return FBaseUrl; }
    // Throws EError with BaseUrlProblem's text for an address it refuses; empty clears it.
    void SetBaseUrl(std::string value);
    // Whether the export writes sitemap.xml (needs a base address).
    bool Sitemap() const { return FSitemap; }
    void SetSitemap(bool value) { FSitemap = value; }
    // Whether the export writes robots.txt.
    bool Robots() const { return FRobots; }
    void SetRobots(bool value) { FRobots = value; }

    // Where the site is published; nothing when no target is set.
    const std::optional<TPublishTarget> &PublishTarget() const { return FPublishTarget; }
    void SetPublishTarget(std::optional<TPublishTarget> value) { FPublishTarget = std::move(value); }

    // Every setting off and nothing kept from a file: there is nothing to write.
    bool Empty() const
    {
        return FBaseUrl.empty() && !FSitemap && !FRobots && !FPublishTarget && FOtherKeys.empty();
    }

    // The file's text: a JSON object, the known keys first, then the kept ones, a final LF.
    std::string ToJson() const;

    // Read from a file: whether one was read whole (so that turning everything off is saved
    // too), and the keys this version does not know, each with its value as JSON text.
    bool FromFile() const { return FFromFile; }
    void SetFromFile(bool value) { FFromFile = value; }
    std::vector<std::pair<std::string, std::string>> &OtherKeys() { return FOtherKeys; }
    const std::vector<std::pair<std::string, std::string>> &OtherKeys() const { return FOtherKeys; }

private:
    std::string FBaseUrl;
    bool FSitemap = false;
    bool FRobots = false;
    std::optional<TPublishTarget> FPublishTarget;
    bool FFromFile = false;
    std::vector<std::pair<std::string, std::string>> FOtherKeys;
};

// "NAME.zarvik.json" beside "NAME.sgp" (the extension in any case); "NAME.zarvik.json" beside
// a project file of any other name. Paths are file-system names.
std::string ProjectSettingsPath(const std::string &projectPath);

// The settings read from `text`, or the reason (Windows-1251, "строка N: ...", N 1-based) they
// cannot be: text that is no JSON object, a known key of the wrong type, a base address that
// BaseUrlProblem refuses.
struct TSettingsParse
{
    TProjectSettings Settings;
    std::optional<std::string> Problem;
};
TSettingsParse ParseProjectSettings(const std::string &text);

// The settings of the project at `projectPath`. A missing file gives every setting off and no
// warning; a file that cannot be read or parsed gives every setting off and the warning the user
// reads (Windows-1251), naming the file, the line and the reason.
struct TSettingsLoad
{
    TProjectSettings Settings;
    std::optional<std::string> Warning;
};
TSettingsLoad LoadProjectSettings(const std::string &projectPath);

// Writes the settings beside the project at `projectPath` with ReplaceFile, unless they are
// Empty() and were not read from a file (a project whose settings were never set gets no file,
// and a broken file stays for the user to mend until a setting is set). Save As calls it with
// the new name, which copies the settings there. Throws EError "Cannot create file ...".
void SaveProjectSettings(const std::string &projectPath, const TProjectSettings &settings);

} // namespace zarvik
