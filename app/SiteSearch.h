#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Find and replace across a project: page texts and, by choice, page titles, the template, the
// style sheet and the ad block. The pattern and the replacement are typed text (UTF-8); the
// project's texts are Windows-1251 and so are the hits.
namespace zarvik {

class TSiteEdit;
class TSiteGenerator;

enum class TSearchArea
{
    PageText,
    PageTitle,
    Template,
    Style,
    AdBlock,
};

// The name a hit outside the pages is shown under: "template", "style", "ad".
std::string_view SearchAreaName(TSearchArea area);

struct TSearchOptions
{
    // A regular expression (Perl syntax, Unicode-aware) instead of plain text.
    bool Regex = false;
    // Only matches with no letter or digit of the code page right before or after them.
    bool WholeWord = false;
    // Off: case is ignored for Cyrillic as well as Latin letters.
    bool CaseSensitive = false;
    // "е" and "ё" (and their capitals) match each other.
    bool YoAsYe = false;
    bool Titles = false;
    bool Template = false;
    bool Style = false;
    bool AdBlock = false;
};

struct TSearchHit
{
    TSearchArea Area = TSearchArea::PageText;
    // 0-based page for page texts and titles; -1 for the other areas.
    int Page = -1;
    // Byte range of the match in the text it was found in.
    std::size_t Offset = 0;
    std::size_t Length = 0;
    // 1-based line (LF ends a line) and column (bytes, which are characters in the code page).
    int Line = 1;
    int Column = 1;
    // The matched text and what replaces it, Windows-1251; a character of the replacement
    // that the code page lacks is written as its numeric reference ("&#8364;").
    std::string Found;
    std::string Replacement;
    // The match touches a word that the last link distribution turned into a link on this page.
    bool InLink = false;
};

// A compiled search. Throws EError when the pattern is empty or is not a valid expression.
class TSiteSearch
{
public:
    TSiteSearch(std::string_view patternUtf8, std::string_view replacementUtf8,
                const TSearchOptions &options);
    ~TSiteSearch();
    TSiteSearch(const TSiteSearch &) = delete;
    TSiteSearch &operator=(const TSiteSearch &) = delete;

    // Reports the hits in order: page texts page by page (a page's title right after its text
    // when titles are searched), then the template, the style sheet and the ad block. The
    // callback returns false to stop the search.
    void Search(const TSiteGenerator &generator, const std::function<bool(const TSearchHit &)> &onHit) const;
    std::vector<TSearchHit> FindAll(const TSiteGenerator &generator) const;

    // The hits in one text, `page` and `area` copied into them; no link marking.
    std::vector<TSearchHit> FindIn(std::string_view text, TSearchArea area, int page) const;

private:
    struct TCompiled;
    bool SearchText(std::string_view text, TSearchArea area, int page, std::string_view linkBody,
                    const std::function<bool(const TSearchHit &)> &onHit) const;

    std::unique_ptr<TCompiled> FCompiled;
    TSearchOptions FOptions;
    std::string FReplacement;
};

// Replaces the given hits (found on the generator as it is now; any subset, in any order).
// Hits whose text no longer stands at their place are left out. The template is set through its
// setter, so the project is marked changed when it is touched; page texts, titles, the style
// sheet and the ad block are set as the page editor and the other tabs set them. Returns the
// number of replacements made. With `record`, every text changed is recorded there, so that
// the whole replacement can be undone as one step.
std::size_t ApplyReplacements(TSiteGenerator &generator, const std::vector<TSearchHit> &hits,
                              TSiteEdit *record = nullptr);

} // namespace zarvik
