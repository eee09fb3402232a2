#include "app/ProjectSettings.h"

#include "app/FileAccess.h"
#include "engine/Cp1251.h"
#include "engine/Error.h"
#include "tests/app/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

using namespace zarvik;
using zarvik::test::ReadAll;
using zarvik::test::TTempDir;

namespace {

class ProjectSettingsFile : public testing::Test
{
protected:
    std::string Project() const { return FDir.File("site.sgp"); }
    std::string Sidecar() const { return FDir.File("site.zarvik.json"); }
    std::string WarningFor(const std::string &text)
    {
        FDir.Write("site.zarvik.json", text);
        const TSettingsLoad load = LoadProjectSettings(Project());
        EXPECT_FALSE(load.Settings.Sitemap());
        EXPECT_FALSE(load.Settings.Robots());
        EXPECT_EQ(load.Settings.BaseUrl(), "");
        return load.Warning ? Cp1251ToUtf8(*load.Warning) : std::string("(no warning)");
    }
    std::string Expected(const std::string &reason) const
    {
        return "Файл настроек \"" + Sidecar() + "\" повреждён, " + reason +
               ". Настройки публикации выключены";
    }

    TTempDir FDir;
};

} // namespace

TEST(ProjectSettingsPath, ReplacesTheProjectExtensionInAnyCase)
{
    EXPECT_EQ(ProjectSettingsPath("/a/site.sgp"), "/a/site.zarvik.json");
    EXPECT_EQ(ProjectSettingsPath("/a/SITE.SGP"), "/a/SITE.zarvik.json");
    EXPECT_EQ(ProjectSettingsPath("/a.sgp/site"), "/a.sgp/site.zarvik.json");
    EXPECT_EQ(ProjectSettingsPath("/a/site.txt"), "/a/site.txt.zarvik.json");
    EXPECT_EQ(ProjectSettingsPath("site.sgp"), "site.zarvik.json");
}

TEST_F(ProjectSettingsFile, MissingFileMeansEverythingOffAndIsNotCreatedUntilASettingIsSet)
{
    TSettingsLoad load = LoadProjectSettings(Project());
    EXPECT_FALSE(load.Warning);
    EXPECT_TRUE(load.Settings.Empty());
    SaveProjectSettings(Project(), load.Settings);
    EXPECT_FALSE(std::filesystem::exists(Sidecar()));

    load.Settings.SetRobots(true);
    SaveProjectSettings(Project(), load.Settings);
    EXPECT_EQ(ReadAll(Sidecar()), "{\n  \"baseUrl\": \"\",\n  \"sitemap\": false,\n  \"robots\": true\n}\n");

    // Turned off again, the file says so rather than keeping the old value.
    TSettingsLoad again = LoadProjectSettings(Project());
    again.Settings.SetRobots(false);
    SaveProjectSettings(Project(), again.Settings);
    EXPECT_FALSE(LoadProjectSettings(Project()).Settings.Robots());
}

TEST_F(ProjectSettingsFile, BrokenFileIsReportedWithLineAndReason)
{
    EXPECT_EQ(
        WarningFor("{\n  \"sitemap\": true,\n  \"robots\": \n}\n"),
        Expected(
            "строка 4: syntax error while parsing value - unexpected '}'; expected '[', '{', or a literal"));
    EXPECT_EQ(
        WarningFor("{\"sitemap\": true"),
        Expected("строка 1: syntax error while parsing object - unexpected end of input; expected '}'"));
    EXPECT_EQ(WarningFor("[true]\n"), Expected("строка 1: ожидался объект JSON"));
    EXPECT_EQ(WarningFor("{\n  \"robots\": true,\n  \"sitemap\": \"yes\"\n}\n"),
              Expected("строка 3: значение sitemap должно быть true или false"));
    EXPECT_EQ(
        WarningFor("{\n\n  \"baseUrl\": \"ftp://example.ru/\"\n}\n"),
        Expected("строка 3: Неверный адрес сайта \"ftp://example.ru/\": он должен начинаться с http:// или "
                 "https://"));
    EXPECT_EQ(WarningFor("{\"baseUrl\": 5}"), Expected("строка 1: значение baseUrl должно быть строкой"));
    EXPECT_EQ(WarningFor(""),
              Expected("строка 1: syntax error while parsing value - unexpected end of input; "
                       "expected '[', '{', or a literal"));
}

TEST_F(ProjectSettingsFile, BrokenFileStaysUntilASettingIsSet)
{
    const std::string broken = "{\"sitemap\": tru}\n";
    FDir.Write("site.zarvik.json", broken);
    TSettingsLoad load = LoadProjectSettings(Project());
    ASSERT_TRUE(load.Warning);
    SaveProjectSettings(Project(), load.Settings);
    EXPECT_EQ(ReadAll(Sidecar()), broken);

    load.Settings.SetSitemap(true);
    SaveProjectSettings(Project(), load.Settings);
    const TSettingsLoad mended = LoadProjectSettings(Project());
    EXPECT_FALSE(mended.Warning);
    EXPECT_TRUE(mended.Settings.Sitemap());
}

TEST_F(ProjectSettingsFile, UnknownKeysAreKeptOnSave)
{
    FDir.Write(
        "site.zarvik.json",
        "{\"deploy\": {\"host\": \"сервер\", \"ports\": [21, 22]}, \"sitemap\": true, \"note\": null}");
    TSettingsLoad load = LoadProjectSettings(Project());
    ASSERT_FALSE(load.Warning);
    EXPECT_TRUE(load.Settings.Sitemap());
    load.Settings.SetBaseUrl("https://сад.рф/");
    SaveProjectSettings(Project(), load.Settings);

    const auto saved = nlohmann::json::parse(ReadAll(Sidecar()));
    EXPECT_EQ(saved, nlohmann::json::parse(
                         "{\"baseUrl\": \"https://сад.рф/\", \"sitemap\": true, \"robots\": false, "
                         "\"deploy\": {\"host\": \"сервер\", \"ports\": [21, 22]}, \"note\": null}"));
}

TEST_F(ProjectSettingsFile, SaveAsCopiesTheSettingsToTheNewName)
{
    FDir.Write("site.zarvik.json", "{\"baseUrl\": \"https://example.ru/\", \"robots\": true, \"x\": 1}");
    const TSettingsLoad load = LoadProjectSettings(Project());
    const std::string other = FDir.File("copy.sgp");
    SaveProjectSettings(other, load.Settings);
    const TSettingsLoad copied = LoadProjectSettings(other);
    EXPECT_EQ(copied.Settings.BaseUrl(), "https://example.ru/");
    EXPECT_TRUE(copied.Settings.Robots());
    EXPECT_EQ(copied.Settings.OtherKeys(), (std::vector<std::pair<std::string, std::string>>{{"x", "1"}}));
    EXPECT_EQ(ReadAll(Sidecar()), "{\"baseUrl\": \"https://example.ru/\", \"robots\": true, \"x\": 1}");
}

TEST(ProjectSettings, RefusesAnInvalidBaseAddress)
{
    TProjectSettings settings;
    settings.SetBaseUrl("https://example.ru/");
    EXPECT_THROW(settings.SetBaseUrl("https://example.ru/#x"), EError);
    EXPECT_EQ(settings.BaseUrl(), "https://example.ru/");
    settings.SetBaseUrl("");
    EXPECT_TRUE(settings.Empty());
}
