#include "cli/ProjectReport.h"

#include "app/ProjectSettings.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"

#include <ostream>

namespace zarvik {
namespace {

const char *BoolWord(bool value)
{
    return value ? "true" : "false";
}

} // namespace

std::string JsonString(std::string_view cp1251)
{
    return JsonStringUtf8(Cp1251ToUtf8(cp1251));
}

std::string JsonStringUtf8(std::string_view utf8)
{
    static constexpr char Hex[] = "0123456789abcdef";
    std::string json = "\"";
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            json += "\\\"";
            break;
        case '\\':
            json += "\\\\";
            break;
        case '\n':
            json += "\\n";
            break;
        case '\r':
            json += "\\r";
            break;
        case '\t':
            json += "\\t";
            break;
        default:
            if (byte < 0x20) {
                json += "\\u00";
                json += Hex[byte >> 4];
                json += Hex[byte & 0xF];
            } else {
                json += c;
            }
        }
    }
    json += '"';
    return json;
}

void WriteProjectReport(const TSiteGenerator &generator, std::ostream &out)
{
    out << "SiteTitle=" << Cp1251ToUtf8(generator.SiteTitle()) << '\n'
        << "SavePath=" << Cp1251ToUtf8(generator.SavePath()) << '\n'
        << "MenuWord=" << Cp1251ToUtf8(generator.MenuWord()) << '\n'
        << "DiggValue=" << Cp1251ToUtf8(generator.DiggValue()) << '\n'
        << "UseDigg=" << BoolWord(generator.UseDigg()) << '\n'
        << "MinCharsPerPage=" << generator.MinCharsPerPage() << '\n'
        << "MaxCharsPerPage=" << generator.MaxCharsPerPage() << '\n'
        << "MaxLinksPerPage=" << generator.MaxLinksPerPage() << '\n'
        << "Links=" << generator.SiteUrlsToLink().size() << '\n'
        << "Pages=" << generator.Pages().Count() << '\n';
    const TSitePages &pages = generator.Pages();
    for (int i = 0; i < pages.Count(); ++i) {
        const TSitePage &page = pages[i];
        out << i << '\t' << Cp1251ToUtf8(page.PageUrl()) << '\t' << Cp1251ToUtf8(page.PageTitle()) << '\t'
            << page.PageText().size() << '\t' << page.PageHTML().size() << '\n';
    }
}

void WriteProjectJson(const TSiteGenerator &generator, const TProjectSettings &settings, std::ostream &out)
{
    out << "{\n"
        << "  \"SiteTitle\": " << JsonString(generator.SiteTitle()) << ",\n"
        << "  \"SavePath\": " << JsonString(generator.SavePath()) << ",\n"
        << "  \"MenuWord\": " << JsonString(generator.MenuWord()) << ",\n"
        << "  \"DiggValue\": " << JsonString(generator.DiggValue()) << ",\n"
        << "  \"UseDigg\": " << BoolWord(generator.UseDigg()) << ",\n"
        << "  \"MinCharsPerPage\": " << generator.MinCharsPerPage() << ",\n"
        << "  \"MaxCharsPerPage\": " << generator.MaxCharsPerPage() << ",\n"
        << "  \"MaxLinksPerPage\": " << generator.MaxLinksPerPage() << ",\n"
        << "  \"Links\": " << generator.SiteUrlsToLink().size() << ",\n"
        << "  \"zarvik\": {\"baseUrl\": " << JsonStringUtf8(settings.BaseUrl())
        << ", \"sitemap\": " << BoolWord(settings.Sitemap())
        << ", \"robots\": " << BoolWord(settings.Robots()) << "},\n"
        << "  \"Pages\": [";
    const TSitePages &pages = generator.Pages();
    for (int i = 0; i < pages.Count(); ++i) {
        const TSitePage &page = pages[i];
        out << (i == 0 ? "\n" : ",\n") << "    {\"Index\": " << i
            << ", \"PageUrl\": " << JsonString(page.PageUrl())
            << ", \"PageTitle\": " << JsonString(page.PageTitle())
            << ", \"TextLength\": " << page.PageText().size()
            << ", \"HtmlLength\": " << page.PageHTML().size() << "}";
    }
    out << (pages.Count() > 0 ? "\n  ]\n" : "]\n") << "}\n";
}

} // namespace zarvik
