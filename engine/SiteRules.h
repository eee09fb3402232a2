#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The rules of the site that more than one command applies: the export writes by them, and the
// project check, the pruning of old pages, the link report and the previews judge by them. Text
// is Windows-1251 bytes.
namespace zarvik {

// The template's placeholders, in the order in which a page is filled.
enum class TPlaceholder
{
    Menu,
    MainText,
    Pagination,
    Header,
    Footer,
    Adsense,
    Title,
};

inline constexpr std::string_view PlaceholderPrefix = "SiteGeneratorChange.";
inline constexpr std::array<std::string_view, 7> Placeholders = {
    "SiteGeneratorChange.Menu",   "SiteGeneratorChange.MainText", "SiteGeneratorChange.Pagination",
    "SiteGeneratorChange.Header", "SiteGeneratorChange.Footer",   "SiteGeneratorChange.Adsense",
    "SiteGeneratorChange.Title",
};

constexpr std::string_view PlaceholderName(TPlaceholder placeholder)
{
    return Placeholders[static_cast<std::size_t>(placeholder)];
}

// What fills SiteGeneratorChange.Title: the site title, this separator, the page title. The
// separator stands even when either title is empty.
inline constexpr std::string_view PageTitleSeparator = " - ";

// The name a page gets when it is created at `index` (0-based): "index.html" for the first,
// "pageN.html" after it.
std::string NewPageUrl(int index);

// Whether a file name has the form NewPageUrl gives: "index.html", or "page", digits, ".html".
bool IsGeneratedPageName(std::string_view fileName);

// Whether the export may write a page under this URL: not absolute, and no part of it starts
// with "." (so neither ".." nor a hidden file or folder). Page URLs come from the user or from a
// project file received from someone else, so the export refuses the others.
bool PageUrlStaysInside(std::string_view url);

// The anchor the link distribution plants on a word:
// " <a href=\"" + link + "\">" + word + "</a> ", one space outside each tag.
inline constexpr std::string_view AnchorOpen = " <a href=\"";
inline constexpr std::string_view AnchorMiddle = "\">";
inline constexpr std::string_view AnchorClose = "</a> ";

void AppendLinkAnchor(std::string &out, std::string_view link, std::string_view word);
std::string LinkAnchor(std::string_view link, std::string_view word);

// A letter of the code page (Latin or Cyrillic, either case) or an ASCII digit: the bytes one
// word is made of when the rules ask whether a cut or a match falls inside a word.
bool IsWordByte(char c);

} // namespace zarvik
