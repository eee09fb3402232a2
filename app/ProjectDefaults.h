#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarvik {

class TSiteGenerator;

// The initial states of a new project window's settings controls. Texts are Windows-1251; the
// number fields hold texts because the window converts them only when it pushes its settings.
inline constexpr std::string_view DefaultSiteTitle = "";
inline constexpr std::string_view DefaultSavePath = "";
inline constexpr std::string_view DefaultMenuWord = "\xD0\xE0\xE7\xE4\xE5\xEB"; // "Раздел"
inline constexpr bool DefaultUseDigg = true;
inline constexpr std::string_view DefaultDiggValue = "!-next_page-!";
inline constexpr std::string_view DefaultMinCharsText = "4000";
inline constexpr std::string_view DefaultMaxCharsText = "5000";
inline constexpr std::string_view DefaultLinkLimitText = "3";
inline constexpr bool DefaultUseLinkLimit = false;

// The same settings as the generator holds them after the first push: the link limit is 0
// because its check box starts unchecked.
inline constexpr std::int32_t DefaultMinCharsPerPage = 4000;
inline constexpr std::int32_t DefaultMaxCharsPerPage = 5000;
inline constexpr std::int32_t DefaultMaxLinksPerPage = 0;

// The editors' initial texts, Windows-1251, as an editor gives its text: lines joined with
// CR LF and no break after the last line. The template has 32 lines, the style sheet 148 (its
// last line is empty, so its text ends in CR LF), the ad block 11.
std::string DefaultTemplate();
std::string DefaultCss();
std::string DefaultAdBlock();

// Stores the initial settings in a generator, as a new project window does when it is created:
// limits 4000 and 5000, link limit 0, empty title and export folder, the marker switched on,
// the menu word. Template, style sheet, ad block and links are left as they are. Marks the
// project changed.
void ApplyNewProjectSettings(TSiteGenerator &generator);

// ApplyNewProjectSettings, then the three default editor texts and an empty link list: what a
// new project window pushes before its first save, link distribution or export.
void ApplyNewProjectDefaults(TSiteGenerator &generator);

} // namespace zarvik
